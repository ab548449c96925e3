#include <QToolButton>

#include "DbEdit.h"
#include "DbNavigator.h"
#include "DisplayText.h"
#include "GridTestSupport.h"
#include "Money.h"
#include "EngineError.h"

using namespace gridtest;
using namespace testing_support;
using widgets::DbEdit;
using widgets::DbNavigator;

namespace {

// The row of expected income: one record of a StartMoney-like table whose sum is shown as money
// and edited without decimals.
class DbEditTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    testing_support::ScriptedDialogs dialogs;
    std::unique_ptr<Dataset> view;
    std::unique_ptr<QWidget> window;
    DbEdit* edit = nullptr;
    QLineEdit* other = nullptr;

    void SetUp() override {
        const QString path = dir.filePath(QStringLiteral("Money.dbf"));
        engine::DbfTable::create(
            path, {{"BANK_NAME", FieldKind::Text, 50, 0}, {"START_SUM", FieldKind::Float, 15, 2}},
            {});
        engine::DbfTable::open(path, false)->appendRecord({QStringLiteral("<Income>"), 1234.56});
        view = std::make_unique<Dataset>(QStringLiteral("TableIncomeSum"));
        view->setFolder(dir.path());
        view->setTableName(QStringLiteral("Money.dbf"));
        view->addField({QStringLiteral("BANK_NAME"), FieldKind::Text, 50});
        view->addField(
            {QStringLiteral("START_SUM"), FieldKind::Float, 0, false, kMoney, QStringLiteral("0")});
        view->open();
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        edit = new DbEdit(window.get());
        edit->setDataSource(view.get());
        edit->setDataField(QStringLiteral("START_SUM"));
        edit->setDialogs(&dialogs);
        other = new QLineEdit(window.get());
        layout->addWidget(edit);
        layout->addWidget(other);
        ASSERT_TRUE(showActive(window.get()));
        other->setFocus();
        QCoreApplication::processEvents();
    }
    void TearDown() override { window.reset(); }

    double stored() {
        Dataset all;
        all.setFolder(dir.path());
        all.setTableName(QStringLiteral("Money.dbf"));
        all.open();
        return all.fieldByName(QStringLiteral("START_SUM")).asFloat();
    }
    void focusEdit() {
        edit->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
    }
    void leaveEdit() {
        other->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
    }
};

TEST_F(DbEditTest, ShowsTheDisplayFormatUnfocusedAndTheEditFormatFocused) {
    EXPECT_EQ(edit->text(),
              gridmodel::formatWithPattern(1234.56, kMoney, gridmodel::decimalSeparator()));
    EXPECT_EQ(edit->text().trimmed(),
              QStringLiteral("1 234") + gridmodel::decimalSeparator() + QStringLiteral("56"));
    focusEdit();
    EXPECT_EQ(edit->text(), QStringLiteral("1235"));
    // Leaving without typing changes nothing, although the box showed a rounded value.
    leaveEdit();
    EXPECT_EQ(edit->text(),
              gridmodel::formatWithPattern(1234.56, kMoney, gridmodel::decimalSeparator()));
    EXPECT_EQ(view->state(), Dataset::State::Browse);
    EXPECT_DOUBLE_EQ(view->fieldByName(QStringLiteral("START_SUM")).asFloat(), 1234.56);
    EXPECT_DOUBLE_EQ(stored(), 1234.56);
}

TEST_F(DbEditTest, LeavingPostsWhatWasTypedAndARefusalKeepsTextAndFocusTillEsc) {
    focusEdit();
    typeText(QStringLiteral("1500"));  // the focused box had its text selected: typing replaces it
    EXPECT_DOUBLE_EQ(stored(), 1234.56);
    leaveEdit();
    EXPECT_EQ(view->state(), Dataset::State::Browse);
    EXPECT_DOUBLE_EQ(stored(), 1500.0);

    const auto refusal = view->beforePost.add([](Dataset&) { throw base::SilentAbort(); });
    focusEdit();
    typeText(QStringLiteral("99"));
    leaveEdit();
    QTest::qWait(20);
    EXPECT_EQ(edit->text(), QStringLiteral("99"));
    EXPECT_TRUE(edit->hasFocus());
    escape();  // the record's change goes too
    EXPECT_EQ(view->state(), Dataset::State::Browse);
    EXPECT_EQ(edit->text(), QStringLiteral("1500"));
}

TEST_F(DbEditTest, EnterIsReportedAndAPostTakesWhatWasTypedWhileTheBoxHasTheFocus) {
    std::vector<int> keys;
    QObject::connect(edit, &DbEdit::keyDown, [&](int key, Qt::KeyboardModifiers) {
        keys.push_back(key);
        if (key == 13) view->post();
    });
    focusEdit();
    typeText(QStringLiteral("250,5"));
    enter();
    EXPECT_EQ(keys.back(), 13);
    EXPECT_DOUBLE_EQ(stored(), 250.5);
    EXPECT_EQ(view->state(), Dataset::State::Browse);
    // Still focused: the edit format again.
    EXPECT_EQ(edit->text(), QStringLiteral("251"));
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(DbEditTest, EscTakesBackWhatWasTyped) {
    focusEdit();
    typeText(QStringLiteral("9"));
    escape();
    EXPECT_EQ(edit->text(), QStringLiteral("1235"));
    EXPECT_FALSE(edit->isTyped());
    leaveEdit();
    EXPECT_DOUBLE_EQ(view->fieldByName(QStringLiteral("START_SUM")).asFloat(), 1234.56);
}

TEST_F(DbEditTest, AClosedViewLeavesTheBoxEmptyAndReadOnly) {
    view->close();
    EXPECT_TRUE(edit->text().isEmpty());
    EXPECT_TRUE(edit->isReadOnly());
    view->open();
    EXPECT_FALSE(edit->isReadOnly());
    EXPECT_FALSE(edit->text().isEmpty());
}

class DbNavigatorTest : public GridFixture {
protected:
    DbNavigator* navigator = nullptr;

    void showWithNavigator(int records) {
        showGrid(records);
        navigator = new DbNavigator(window.get());
        navigator->setDialogs(&dialogs);
        navigator->setDataSource(view.get());
        window->layout()->addWidget(navigator);
        QCoreApplication::processEvents();
    }
    void click(DbNavigator::Button b) {
        QTest::mouseClick(navigator->button(b), Qt::LeftButton);
        QCoreApplication::processEvents();
    }
};

TEST_F(DbNavigatorTest, HasTheRussianHintsAndShowsTheChosenButtons) {
    showWithNavigator(2);
    const QStringList hints{
        QStringLiteral("Первая запись"),    QStringLiteral("Предыдущая запись"),
        QStringLiteral("Следующая запись"), QStringLiteral("Последняя запись"),
        QStringLiteral("Добавить запись"),  QStringLiteral("Удалить запись"),
        QStringLiteral("Редактировать"),    QStringLiteral("Сохранить изменения"),
        QStringLiteral("Отменить"),         QStringLiteral("Обновить данные")};
    for (int i = 0; i < DbNavigator::kButtonCount; ++i) {
        const auto b = static_cast<DbNavigator::Button>(i);
        EXPECT_EQ(navigator->button(b)->toolTip(), hints[i]);
        EXPECT_EQ(navigator->button(b)->statusTip(), hints[i]);
        EXPECT_EQ(navigator->button(b)->focusPolicy(), Qt::NoFocus);
        EXPECT_TRUE(navigator->isButtonVisible(b));
    }
    navigator->setVisibleButtons({DbNavigator::nbFirst, DbNavigator::nbPrior, DbNavigator::nbNext,
                                  DbNavigator::nbLast, DbNavigator::nbDelete});
    EXPECT_TRUE(navigator->isButtonVisible(DbNavigator::nbDelete));
    EXPECT_FALSE(navigator->isButtonVisible(DbNavigator::nbInsert));
    EXPECT_FALSE(navigator->isButtonVisible(DbNavigator::nbRefresh));
}

TEST_F(DbNavigatorTest, MovesThroughTheRecordsAndEnablesOnlyWhatMakesSense) {
    showWithNavigator(3);
    EXPECT_FALSE(navigator->button(DbNavigator::nbFirst)->isEnabled());
    EXPECT_FALSE(navigator->button(DbNavigator::nbPrior)->isEnabled());
    EXPECT_TRUE(navigator->button(DbNavigator::nbNext)->isEnabled());
    EXPECT_FALSE(navigator->button(DbNavigator::nbPost)->isEnabled());
    click(DbNavigator::nbLast);
    EXPECT_EQ(view->recNo(), 3);
    EXPECT_EQ(current().row(), 2);  // the grid follows
    EXPECT_FALSE(navigator->button(DbNavigator::nbNext)->isEnabled());
    EXPECT_TRUE(navigator->button(DbNavigator::nbFirst)->isEnabled());
    click(DbNavigator::nbPrior);
    EXPECT_EQ(view->recNo(), 2);
    click(DbNavigator::nbEdit);
    EXPECT_EQ(view->state(), Dataset::State::Edit);
    EXPECT_TRUE(navigator->button(DbNavigator::nbPost)->isEnabled());
    EXPECT_TRUE(navigator->button(DbNavigator::nbCancel)->isEnabled());
    EXPECT_FALSE(navigator->button(DbNavigator::nbEdit)->isEnabled());
    click(DbNavigator::nbCancel);
    EXPECT_EQ(view->state(), Dataset::State::Browse);
    view->close();
    for (int i = 0; i < DbNavigator::kButtonCount; ++i)
        EXPECT_FALSE(navigator->button(static_cast<DbNavigator::Button>(i))->isEnabled()) << i;
}

TEST_F(DbNavigatorTest, DeleteRemovesTheCurrentRecordWithoutAsking) {
    showWithNavigator(3);
    click(DbNavigator::nbNext);
    click(DbNavigator::nbDelete);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(stored("KOMU"),
              QStringList({QStringLiteral("Поставщик 1"), QStringLiteral("Поставщик 3")}));
    EXPECT_EQ(table()->model()->rowCount(), 2);
    EXPECT_EQ(grid->footerText(SUM), gridmodel::formatWithPattern(400.0, kMoney, QLatin1Char('.')));
    // Asked to confirm, No keeps the record.
    navigator->setConfirmDelete(true);
    dialogs.answers.push_back(base::IDNO);
    click(DbNavigator::nbDelete);
    EXPECT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(stored("KOMU").size(), 2);
}

TEST_F(DbNavigatorTest, MovingOnTakesWhatTheOpenCellEditorHoldsAndARefusalShowsOneMessage) {
    showWithNavigator(2);
    goTo(0, KOMU);
    typeText(QStringLiteral("Исправленный"));
    ASSERT_NE(grid->cellEditor(), nullptr);
    // The buttons take no focus: the editor is still open when the button acts.
    click(DbNavigator::nbNext);
    EXPECT_EQ(stored("KOMU").first(), QStringLiteral("Исправленный"));
    EXPECT_EQ(view->recNo(), 2);
    EXPECT_EQ(current().row(), 1);

    goTo(1, KOMU);
    pressKey(Qt::Key_F2);
    pressKey(Qt::Key_A, Qt::ControlModifier);
    pressKey(Qt::Key_Backspace);
    click(DbNavigator::nbPrior);  // a record without a recipient is refused
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("Поле \"Поставщики\" не заполнено"));
    EXPECT_EQ(view->recNo(), 2);
    EXPECT_EQ(view->state(), Dataset::State::Edit);
    EXPECT_EQ(current().row(), 1);
}

// The controls' connections outlive a view destroyed under them: nothing breaks, and the next
// view they are given has their handlers and no others.
TEST(ControlConnections, AViewDestroyedBeforeItsControlsIsHarmless) {
    auto gone = std::make_unique<Dataset>(QStringLiteral("Gone"));
    DbEdit edit;
    DbNavigator navigator;
    widgets::DatasetModel model;
    edit.setDataSource(gone.get());
    navigator.setDataSource(gone.get());
    model.setDataset(gone.get());
    gone.reset();

    Dataset next(QStringLiteral("Next"));
    edit.setDataSource(&next);
    navigator.setDataSource(&next);
    model.setDataset(&next);
    EXPECT_EQ(next.onDataChange.size(), 3u);
    EXPECT_EQ(next.onUpdateRecord.size(), 1u);
    EXPECT_EQ(next.onStateChange.size(), 1u);
    EXPECT_FALSE(navigator.button(DbNavigator::nbFirst)->isEnabled());
}

}  // namespace
