#include <QClipboard>
#include <QGuiApplication>

#include "DbEdit.h"
#include "FieldValidators.h"
#include "GridTestSupport.h"
#include "InputHint.h"
#include "engine/Codec.h"

using namespace gridtest;
using namespace testing_support;
using widgets::FieldInputLimits;
using widgets::InputHint;

namespace {

FieldInputLimits limitsOf(engine::FieldKind kind, int maxChars, int decimals = -1,
                          int integerDigits = -1) {
    FieldInputLimits limits;
    limits.kind = kind;
    limits.maxChars = maxChars;
    limits.decimals = decimals;
    limits.integerDigits = integerDigits;
    limits.codec = kind == FieldKind::Text ? &engine::Codec::cp1251() : nullptr;
    return limits;
}

TEST(FieldInput, WhatAFieldRefusesAndHowItSaysWhy) {
    const FieldInputLimits text = limitsOf(FieldKind::Text, 30);
    const FieldInputLimits sum = limitsOf(FieldKind::Float, 0, 2, 12);  // N(15,2)
    struct Case {
        const FieldInputLimits& limits;
        QString input;
        QString refusalPart;  // empty: accepted
    };
    const Case cases[] = {
        {text, QStringLiteral("ООО «Евро» € № 5"), {}},
        {text, QStringLiteral("ТОО Әлем"),
         QStringLiteral("Знак «Ә» (U+04D8) нельзя ввести: в кодировке Windows-1251")},
        {text, QStringLiteral("ООО 北京公司 €"),
         QStringLiteral("Знаки «北» (U+5317), «京» (U+4EAC)")},
        {text, QStringLiteral("😀"), QStringLiteral("«😀» (U+1F600)")},
        {text, QString(30, u'Ж'), {}},
        {text, QString(31, u'Ж'),
         QStringLiteral("в поле не более 30 знаков, а в тексте было бы 31")},
        {sum, QStringLiteral("10,55"), {}},
        {sum, QStringLiteral("-1 234.5"), {}},
        {sum, QStringLiteral("10,555"), QStringLiteral("После запятой не более 2 цифр")},
        {sum, QStringLiteral("999 999 999 999,99"), {}},
        {sum, QStringLiteral("1 000 000 000 000"), QStringLiteral("до запятой не более 12 цифр")},
        {sum, QStringLiteral("-99 999 999 999"), {}},
        {sum, QStringLiteral("-100 000 000 000"), QStringLiteral("до запятой не более 11 цифр")},
        {sum, QStringLiteral("12a"), QStringLiteral("только цифры, минус и одна запятая")},
    };
    for (const Case& c : cases) {
        const QString refusal = widgets::inputRefusal(c.limits, c.input);
        if (c.refusalPart.isEmpty())
            EXPECT_EQ(refusal, QString()) << c.input.toStdString();
        else
            EXPECT_TRUE(refusal.contains(c.refusalPart))
                << c.input.toStdString() << ": " << refusal.toStdString();
    }
}

TEST(FieldInput, TheLimitsComeFromTheFileWhereItIsNarrowerThanTheView) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Old.dbf"));
    engine::DbfTable::create(
        path, {{"KOMU", FieldKind::Text, 30, 0}, {"PAY_SUM", FieldKind::Float, 12, 3}}, {});
    Dataset view;
    view.setFolder(dir.path());
    view.setTableName(QStringLiteral("Old.dbf"));
    view.addField({QStringLiteral("KOMU"), FieldKind::Text, 50});
    view.addField({QStringLiteral("PAY_SUM"), FieldKind::Float});
    view.open();
    const FieldInputLimits komu = widgets::inputLimitsOf(view.fieldByName(QStringLiteral("KOMU")));
    EXPECT_EQ(komu.maxChars, 30);
    EXPECT_EQ(komu.codec, &engine::Codec::cp1251());
    const FieldInputLimits sum =
        widgets::inputLimitsOf(view.fieldByName(QStringLiteral("PAY_SUM")));
    EXPECT_EQ(sum.decimals, 3);
    EXPECT_EQ(sum.integerDigits, 8);
}

class FieldInputGrid : public GridFixture {
protected:
    QLineEdit* editor() const { return qobject_cast<QLineEdit*>(grid->cellEditor()); }
    void paste(const QString& text) {
        QGuiApplication::clipboard()->setText(text);
        pressKey(Qt::Key_V, Qt::ControlModifier);
    }
};

TEST_F(FieldInputGrid,
       ACellRefusesTypedAndPastedCharactersWidthsAndDecimalsItCannotKeepAndSaysWhy) {
    showGrid(1);
    goTo(0, KOMU);
    typeText(QStringLiteral("ТОО "));
    ASSERT_TRUE(editor());
    // Kazakh letters typed one by one: each is kept out and named under the cell.
    for (const QString& letter :
         {QStringLiteral("ә"), QStringLiteral("ғ"), QStringLiteral("қ"), QStringLiteral("һ")}) {
        InputHint::hide();
        pressKey(Qt::Key_unknown, Qt::NoModifier, letter);
        EXPECT_EQ(editor()->text(), QStringLiteral("ТОО ")) << letter.toStdString();
        EXPECT_TRUE(InputHint::shownText().contains(QStringLiteral("«%1»").arg(letter)))
            << InputHint::shownText().toStdString();
    }
    // A paste with characters the page lacks goes in not at all; one it has goes in whole.
    paste(QStringLiteral("ООО 北京公司 €"));
    EXPECT_EQ(editor()->text(), QStringLiteral("ТОО "));
    EXPECT_TRUE(InputHint::shownText().contains(QStringLiteral("«北» (U+5317)")));
    pressKey(Qt::Key_unknown, Qt::NoModifier, QStringLiteral("😀"));
    EXPECT_EQ(editor()->text(), QStringLiteral("ТОО "));
    EXPECT_TRUE(InputHint::shownText().contains(QStringLiteral("«😀» (U+1F600)")));
    // A letter with a separate accent mark is taken as the page's letter.
    paste(QStringLiteral("Аи\u0306дар €"));
    EXPECT_EQ(editor()->text(), QStringLiteral("ТОО Айдар €"));

    // The field holds 50 characters: typing stops there, a longer paste is refused, with a note.
    InputHint::hide();
    typeText(QString(39, u'Я'));
    EXPECT_EQ(editor()->text().size(), 50);
    EXPECT_EQ(InputHint::shownText(), QString());
    typeText(QStringLiteral("Я"));
    EXPECT_EQ(editor()->text().size(), 50);
    EXPECT_TRUE(InputHint::shownText().contains(QStringLiteral("не более 50 знаков")));
    editor()->selectAll();
    paste(QString(62, u'Ю'));
    EXPECT_EQ(editor()->text().size(), 50);
    EXPECT_TRUE(InputHint::shownText().contains(QStringLiteral("было бы 62")));

    // The sum keeps two decimals: the third is refused.
    enter();
    enter();
    typeText(QStringLiteral("10,555"));
    EXPECT_EQ(editor()->text(), QStringLiteral("10,55"));
    EXPECT_TRUE(InputHint::shownText().contains(QStringLiteral("После запятой не более 2 цифр")));
    enter();
    down();
    EXPECT_EQ(stored("PAY_SUM"), QStringList{QStringLiteral("10.55")});
    EXPECT_EQ(stored("KOMU"), QStringList{QStringLiteral("ТОО Айдар €") + QString(39, u'Я')});
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(FieldInputGrid, AnEntryOfTheListTooLongForTheFieldIsNotTaken) {
    showGrid(1);
    QStringList names{QString(60, u'Ш'), QStringLiteral("ТОО Береке")};
    grid->setPickList(QStringLiteral("KOMU"), {&names, true});
    goTo(0, KOMU);
    typeText(QStringLiteral("Ш"));
    ASSERT_TRUE(droppedEditor());
    pressKey(Qt::Key_Down);
    enter();
    // The editor stays with what was typed, and the note under it.
    ASSERT_TRUE(editor());
    EXPECT_EQ(editor()->text(), QStringLiteral("Ш"));
    EXPECT_TRUE(InputHint::shownText().contains(QStringLiteral("не более 50 знаков")));
}

TEST_F(FieldInputGrid, ASumTooWideForItsColumnWidensItOnTheScreenAndInTheModelPrintingReads) {
    showGrid(1);
    gridmodel::GridModel model = grid->gridModel();
    model.columns[SUM].font.height = -16;  // the register's fonts are larger than the fixture's
    model.columns[SUM].footer.font.height = -16;
    grid->setGridModel(model);
    const int before = table()->columnWidth(SUM);
    view->first();
    view->edit();
    view->fieldByName(QStringLiteral("PAY_SUM")).setAsFloat(997495436478.15);
    view->post();
    view->append();
    view->fieldByName(QStringLiteral("KOMU")).setAsString(QStringLiteral("ТОО Береке"));
    view->fieldByName(QStringLiteral("PAY_SUM")).setAsFloat(2504565364.15);
    view->post();
    QCoreApplication::processEvents();
    EXPECT_EQ(grid->footerText(SUM), QStringLiteral("1 000 000 001 842") +
                                         gridmodel::decimalSeparator() + QStringLiteral("30"));
    EXPECT_EQ(cell(0, SUM), QStringLiteral("997 495 436 478") + gridmodel::decimalSeparator() +
                                QStringLiteral("15"));
    const int after = table()->columnWidth(SUM);
    EXPECT_GT(after, before);
    EXPECT_EQ(grid->gridModel().columns[SUM].width, after);
    const QFontMetrics cellFont(table()->model()->index(0, SUM).data(Qt::FontRole).value<QFont>());
    EXPECT_GE(after, cellFont.horizontalAdvance(cell(0, SUM)) + 4);
}

TEST_F(FieldInputGrid, AnEditBoxRefusesWhatItsFieldCannotKeepAsTheCellDoes) {
    showGrid(1);
    auto* komu = new widgets::DbEdit(window.get());
    auto* sum = new widgets::DbEdit(window.get());
    window->layout()->addWidget(komu);
    window->layout()->addWidget(sum);
    for (auto [edit, field] : {std::pair{komu, "KOMU"}, std::pair{sum, "PAY_SUM"}}) {
        edit->setDialogs(&dialogs);
        edit->setDataSource(view.get());
        edit->setDataField(QString::fromLatin1(field));
        edit->show();
    }
    komu->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    paste(QStringLiteral("ТОО Қазақ"));
    EXPECT_EQ(komu->text(), QStringLiteral("Поставщик 1"));
    EXPECT_TRUE(InputHint::shownText().contains(QStringLiteral("«Қ» (U+049A)")));
    EXPECT_FALSE(komu->isTyped());
    komu->selectAll();
    typeText(QString(55, u'Ж'));
    EXPECT_EQ(komu->text(), QString(50, u'Ж'));
    EXPECT_TRUE(InputHint::shownText().contains(QStringLiteral("не более 50 знаков")));

    sum->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    typeText(QStringLiteral("7,125"));
    EXPECT_EQ(sum->text(), QStringLiteral("7,12"));
    sum->clearFocus();
    elsewhere->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    view->post();
    EXPECT_EQ(stored("PAY_SUM"), QStringList{QStringLiteral("7.12")});
    EXPECT_EQ(stored("KOMU"), QStringList{QString(50, u'Ж')});
}

}  // namespace
