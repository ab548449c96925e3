#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include "CatalogueTextPrint.h"
#include "DayGridModels.h"
#include "DayRegisterPrintout.h"
#include "GridPrinter.h"
#include "PreviewBox.h"
#include "PreviewWindow.h"
#include "PrintSetupDialog.h"
#include "ProgramPrinter.h"
#include "QtDialogs.h"
#include "RegisterFixture.h"
#include "EngineError.h"
#include "engine/TableRegistry.h"

using registertest::RegisterFixture;

namespace {

// The day register's expenses of a day laid out into a preview shown in its window.
class PrintPreviewTest : public RegisterFixture {
protected:
    void SetUp() override {
        openDay();
        printer.setGrid(print::dayRegisterColumns(reg::expenseGridModel(core.views)));
        print::setUpDayRegisterPrinter(printer, true);
        printer.setDialogs(&dialogs);
        // The shared preview, shown in a fresh window for each test, laying its pages out for
        // the program's printer.
        windows::installPreviewWindow(&dialogs);
        auto viewer = std::make_unique<windows::PreviewWindow>(preview);
        window = viewer.get();
        preview.setViewer(std::move(viewer));
    }
    void TearDown() override {
        windows::setPageSetupDialog({});
        windows::programPrinter().setPageOrientation(QPageLayout::Portrait);
        print::TPrinterPreview::setPrinterSource({});
        RegisterFixture::TearDown();
    }
    // What pdfinfo says of a file, its blanks simplified.
    static QString pdfInfo(const QString& pdf) {
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {pdf});
        info.waitForFinished(10000);
        return QString::fromUtf8(info.readAllStandardOutput()).simplified();
    }
    bool laidOutInLandscape() const {
        return preview.Metrics().pageWidth > preview.Metrics().pageHeight;
    }
    void addExpenses(int count) {
        auto table = engine::TableRegistry::find(core.DayDir + "/DayData.DBF");
        for (int i = 0; i < count; ++i)
            table->appendRecord({i + 1, QStringLiteral("Поставщик %1").arg(i + 1), QStringLiteral("Оплата"), 10.0,
                                 QStringLiteral("Сбербанк"), day, expenseCode(), QVariant()});
        core.views.TableDataSourceDayData.refresh();
    }

    print::GridPrinter printer;
    print::TPrinterPreview& preview = print::TPrinterPreview::shared();
    windows::PreviewWindow* window = nullptr;
};

TEST_F(PrintPreviewTest, TheWindowShowsThePagesAndPagesThroughThem) {
    addExpenses(250);
    std::vector<QString> whileLaidOut;
    // Once page 1 is complete the window is up, with stop enabled and close not.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (preview.pageCount() < 2 || !whileLaidOut.empty()) return;
        whileLaidOut.push_back(window->isVisible() ? QStringLiteral("shown") : QStringLiteral("hidden"));
        whileLaidOut.push_back(window->ActionStop->isEnabled() && !window->ActionClose->isEnabled() ? QStringLiteral("stop")
                                                                                                     : QStringLiteral("no stop"));
    });
    watch.start(0);
    printer.Preview();
    watch.stop();
    ASSERT_EQ(whileLaidOut, (std::vector<QString>{"shown", "stop"}));
    const int pages = preview.pageCount();
    ASSERT_GE(pages, 4);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Предварительный просмотр - Табличная информация"));
    EXPECT_EQ(window->statusText()->text(), QStringLiteral("Страница 1 из %1").arg(pages));
    EXPECT_FALSE(window->ActionPrevious->isEnabled());
    EXPECT_TRUE(window->ActionSetup->isEnabled());
    window->ActionNext->trigger();
    EXPECT_EQ(window->statusText()->text(), QStringLiteral("Страница 2 из %1").arg(pages));
    EXPECT_TRUE(window->ActionPrevious->isEnabled());
    // A click on the whole page zooms to 150 %, another one goes back.
    QTest::mouseClick(window->box()->viewport(), Qt::LeftButton, Qt::NoModifier, window->box()->viewport()->rect().center());
    EXPECT_EQ(window->box()->viewMode(), windows::TPreviewBox::Zoom150);
    QTest::mouseClick(window->box()->viewport(), Qt::LeftButton, Qt::NoModifier, window->box()->viewport()->rect().center());
    EXPECT_EQ(window->box()->viewMode(), windows::TPreviewBox::WholePage);
}

TEST_F(PrintPreviewTest, EscStopsALayoutAndClosingDuringOneClosesWhenItEnds) {
    addExpenses(600);
    // Esc once page 1 is on the screen.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (preview.pageCount() < 2) return;
        watch.stop();
        QTest::keyClick(window, Qt::Key_Escape);
    });
    watch.start(0);
    EXPECT_THROW(printer.Preview(), base::SilentAbort);
    EXPECT_TRUE(window->isVisible());  // stopped, not closed
    const int recorded = preview.pageCount();
    EXPECT_GE(recorded, 1);

    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (preview.pageCount() < 2) return;
        watch.stop();
        window->close();
    });
    watch.start(0);
    EXPECT_THROW(printer.Preview(), base::SilentAbort);
    EXPECT_FALSE(window->isVisible());
    EXPECT_GE(preview.pageCount(), 1);  // what was recorded stays for a next showing
}

TEST_F(PrintPreviewTest, PrintingAPageRangeSendsExactlyThosePages) {
    addExpenses(250);
    printer.Preview();
    ASSERT_GE(preview.pageCount(), 4);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("register.pdf"));
    window->printDialog = [&](QPrinter& p, int pageCount, int& from, int& to) {
        EXPECT_EQ(pageCount, preview.pageCount());
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(pdf);
        from = 2;
        to = 3;
        return true;
    };
    window->ActionPrint->trigger();
    EXPECT_TRUE(pdfInfo(pdf).contains(QStringLiteral("Pages: 2 ")));
}

TEST_F(PrintPreviewTest, TheSetupDialogStoresItsChoiceAndLaysThePagesOutAgain) {
    printer.Preview();
    dialogs.printSetupAnswer = [](base::PrintSetupRequest& r) {
        EXPECT_EQ(r.left, QStringLiteral("1"));
        EXPECT_TRUE(r.fitToPageWidth);
        r.left = QStringLiteral("2,5");
        r.fitByColumnWidths = true;
        return true;
    };
    window->ActionSetup->trigger();
    EXPECT_EQ(printer.settings.Page.LeftMargin.count(), 25000);
    EXPECT_EQ(printer.settings.Options, print::pghFitGridToPageWidth | print::pghFitingByColWidths);
    EXPECT_EQ(dialogs.printSetupRequests.size(), 1u);
    // Cancel keeps everything.
    dialogs.printSetupAnswer = [](base::PrintSetupRequest& r) {
        r.left = QStringLiteral("9");
        return false;
    };
    window->ActionSetup->trigger();
    EXPECT_EQ(printer.settings.Page.LeftMargin.count(), 25000);

    // The real dialog lets no margin through that is not a number.
    base::PrintSetupRequest request;
    request.top = request.bottom = request.left = request.right = QStringLiteral("1");
    windows::PrintSetupDialog setup(request);
    setup.EditTop->setText(QStringLiteral("1,5"));
    EXPECT_TRUE(windows::PrintSetupDialog::isNumber(setup.EditTop->text()));
    EXPECT_FALSE(windows::PrintSetupDialog::isNumber(QStringLiteral("полтора")));
    EXPECT_EQ(setup.result().top, QStringLiteral("1,5"));
}

TEST_F(PrintPreviewTest, OnePrinterTakesTheSheetOfThePrintDialogAndOfThePageSetup) {
    windows::QtDialogs qtDialogs;
    printer.setDialogs(&qtDialogs);
    addExpenses(300);
    printer.Preview();
    const int portrait = preview.pageCount();
    ASSERT_FALSE(laidOutInLandscape());

    // Landscape chosen in the print dialog: the pages are laid out again, then all printed.
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("register.pdf"));
    window->printDialog = [&](QPrinter& p, int, int&, int&) {
        p.setPageOrientation(QPageLayout::Landscape);
        p.setOutputFileName(pdf);
        return true;
    };
    window->ActionPrint->trigger();
    EXPECT_TRUE(laidOutInLandscape());
    const int landscape = preview.pageCount();
    EXPECT_GT(landscape, portrait);
    const QString facts = pdfInfo(pdf);
    EXPECT_TRUE(facts.contains(QStringLiteral("Pages: %1 ").arg(landscape))) << facts.toStdString();
    EXPECT_TRUE(facts.contains(QStringLiteral("Page size: 842 x 595 pts"))) << facts.toStdString();
    // The file was for that printout; the printer keeps the sheet for the next layout.
    EXPECT_TRUE(windows::programPrinter().outputFileName().isEmpty());
    printer.Preview();
    EXPECT_TRUE(laidOutInLandscape());

    // "Настройка принтера", in it "Настройка принтера" (also without an installed printer)
    // and a sheet, then "Ок" or "Отмена".
    auto setUp = [&](QPageLayout::Orientation orientation, bool ok) {
        windows::setPageSetupDialog([orientation](QPrinter& p, QWidget*) {
            p.setPageOrientation(orientation);
            return true;
        });
        QTimer::singleShot(0, [ok] {
            auto* dialog =
                qobject_cast<windows::PrintSetupDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog && dialog->ButtonPrinterSetup->isEnabled());
            dialog->ButtonPrinterSetup->click();
            (ok ? dialog->ButtonOk : dialog->ButtonCancel)->click();
        });
        window->ActionSetup->trigger();
    };
    setUp(QPageLayout::Portrait, true);
    EXPECT_FALSE(laidOutInLandscape());
    EXPECT_EQ(preview.pageCount(), portrait);
    // Cancel takes back the sheet chosen in the page setup and lays nothing out.
    setUp(QPageLayout::Landscape, false);
    EXPECT_EQ(windows::programPrinter().pageLayout().orientation(), QPageLayout::Portrait);
    EXPECT_EQ(preview.pageCount(), portrait);
}

}  // namespace

namespace {

TEST(CatalogueTextPrint, WithoutAPrinterTheUserIsToldAndNothingBreaks) {
    if (!QPrinterInfo::availablePrinterNames().isEmpty()) GTEST_SKIP() << "a printer is installed here";
    testing_support::ScriptedDialogs dialogs;
    QTextEdit listing(QStringLiteral("\t001.000.000.000.000\tДоходы"));
    windows::printCatalogueText(listing, dialogs);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Ошибка"));
    EXPECT_TRUE(dialogs.boxes[0].text.contains(QStringLiteral("принтер")));
}

}  // namespace
