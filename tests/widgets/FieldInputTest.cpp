#include <QClipboard>
#include <QGuiApplication>

#include "DbEdit.h"
#include "FieldValidators.h"
#include "GridTestSupport.h"
#include "InputHint.h"
#include "Codec.h"

using namespace gridtest;
using namespace testing_support;
using widgets::InputHint;

namespace {

TEST(FieldInput, WhatAFieldRefusesAndHowItSaysWhy) {
    const widgets::FieldInputLimits text{FieldKind::Text, 30, -1, -1, &base::Codec::cp1251()};
    const widgets::FieldInputLimits sum{FieldKind::Float, 0, 2, 12, nullptr};  // N(15,2)
    // limits, input, a part of the refusal (none: accepted)
    const std::vector<std::tuple<const widgets::FieldInputLimits&, QString, QString>> cases = {
        {text, "әғқңөұүһ", "Знаки «ә» (U+04D9), «ғ» (U+0493), «қ» (U+049B), «ң» (U+04A3), «ө»"},
        {text, "әғқңөұүһ", "«ө» (U+04E9) и другие нельзя"},
        {text, QString(31, u'Ж'), "в поле не более 30 знаков, а в тексте было бы 31"},
        {sum, "-1 234,55", {}},
        {sum, "10,555", "После запятой не более 2 цифр"},
        {sum, "1 000 000 000 000", "до запятой не более 12 цифр"},
        {sum, "-100 000 000 000", "до запятой не более 11 цифр"},
    };
    for (const auto& [limits, input, refusalPart] : cases) {
        const QString refusal = widgets::inputRefusal(limits, input);
        EXPECT_TRUE(refusalPart.isEmpty() ? refusal.isEmpty() : refusal.contains(refusalPart))
            << input.toStdString() << ": " << refusal.toStdString();
    }
}

class FieldInputGrid : public GridFixture {
protected:
    QLineEdit* editor() const { return qobject_cast<QLineEdit*>(grid->cellEditor()); }
    void paste(const QString& text) {
        QGuiApplication::clipboard()->setText(text);
        pressKey(Qt::Key_V, Qt::ControlModifier);
    }
    bool hinted(const QString& part) const { return InputHint::shownText().contains(part); }
};

TEST_F(FieldInputGrid,
       ACellRefusesTypedAndPastedCharactersWidthsAndDecimalsItCannotKeepAndSaysWhy) {
    showGrid(1);
    goTo(0, KOMU);
    typeText(QStringLiteral("ТОО "));
    ASSERT_TRUE(editor());
    for (const QString& refused : {QStringLiteral("ә"), QStringLiteral("һ"), QStringLiteral("😀")}) {
        pressKey(Qt::Key_unknown, Qt::NoModifier, refused);
        EXPECT_TRUE(hinted(QStringLiteral("«%1»").arg(refused)))
            << InputHint::shownText().toStdString();
    }
    paste(QStringLiteral("ООО 北京公司 €"));  // goes in not at all
    EXPECT_TRUE(hinted(QStringLiteral("«北» (U+5317)")));
    paste(QStringLiteral("Аи\u0306дар €"));  // a letter with a separate mark is the page's letter
    EXPECT_EQ(editor()->text(), QStringLiteral("ТОО Айдар €"));

    // 50 characters: typing stops there, a longer paste is refused, each with a note.
    InputHint::hide();
    typeText(QString(39, u'Я'));
    EXPECT_EQ(InputHint::shownText(), QString());
    typeText(QStringLiteral("Я"));
    EXPECT_TRUE(hinted(QStringLiteral("не более 50 знаков")));
    editor()->selectAll();
    paste(QString(62, u'Ю'));
    EXPECT_TRUE(hinted(QStringLiteral("было бы 62")));

    enter();
    enter();
    typeText(QStringLiteral("10,555"));
    EXPECT_TRUE(hinted(QStringLiteral("После запятой не более 2 цифр")));
    enter();
    down();
    EXPECT_EQ(stored("PAY_SUM"), QStringList{QStringLiteral("10.55")});
    EXPECT_EQ(stored("KOMU"), QStringList{QStringLiteral("ТОО Айдар €") + QString(39, u'Я')});

    // An entry of the list the field cannot keep whole is not taken: the editor stays, with a note.
    QStringList names{QString(60, u'Ш')};
    grid->setPickList(QStringLiteral("KOMU"), {&names, true});
    goTo(0, KOMU);
    typeText(QStringLiteral("Ш"));
    pressKey(Qt::Key_Down);
    enter();
    ASSERT_TRUE(editor());
    EXPECT_EQ(editor()->text(), QStringLiteral("Ш"));
    EXPECT_TRUE(hinted(QStringLiteral("было бы 60")));
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(FieldInputGrid, ASumTooWideForItsColumnWidensItOnTheScreenAndInTheModelPrintingReads) {
    showGrid(1);
    gridmodel::GridModel model = grid->gridModel();
    // The register's size of letters, larger than the fixture's.
    model.columns[SUM].font.height = model.columns[SUM].footer.font.height = -16;
    grid->setGridModel(model);
    view->edit();
    view->fieldByName(QStringLiteral("PAY_SUM")).setAsFloat(997495436478.15);
    view->post();
    QCoreApplication::processEvents();
    EXPECT_EQ(grid->footerText(SUM), QStringLiteral("997 495 436 478") +
                                         gridmodel::decimalSeparator() + QStringLiteral("15"));
    const int width = table()->columnWidth(SUM);
    EXPECT_EQ(grid->gridModel().columns[SUM].width, width);
    const QFontMetrics cellFont(table()->model()->index(0, SUM).data(Qt::FontRole).value<QFont>());
    EXPECT_GT(width, std::max(117, cellFont.horizontalAdvance(cell(0, SUM))));
}

TEST_F(FieldInputGrid, AnEditBoxRefusesWhatItsFieldCannotKeepAsTheCellDoes) {
    showGrid(1);
    auto* sum = new widgets::DbEdit(window.get());
    window->layout()->addWidget(sum);
    sum->setDataSource(view.get());
    sum->setDataField(QStringLiteral("PAY_SUM"));
    sum->show();  // added to a window already shown
    sum->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    paste(QStringLiteral("7,125"));
    EXPECT_TRUE(hinted(QStringLiteral("После запятой не более 2 цифр")));
    typeText(QStringLiteral("7,125"));
    elsewhere->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    view->post();
    EXPECT_EQ(stored("PAY_SUM"), QStringList{QStringLiteral("7.12")});
}

}  // namespace
