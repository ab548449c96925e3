#include "DbNavigator.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

#include "Dialogs.h"
#include "ErrorBoundary.h"
#include "WindowLook.h"

namespace widgets {

namespace {

constexpr int kGlyph = 16;

// The button pictures, drawn rather than shipped: arrows and bars for moving, plus and minus,
// a triangle for edit, a tick, a cross and a turning arrow.
QIcon glyph(DbNavigator::Button button, const QColor& ink) {
    QPixmap pixmap(kGlyph * 2, kGlyph * 2);
    pixmap.setDevicePixelRatio(2.0);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    auto triangle = [&](double tipX, double baseX) {
        const QPointF points[] = {{baseX, 3.0}, {tipX, 8.0}, {baseX, 13.0}};
        p.drawPolygon(points, 3);
    };
    switch (button) {
        case DbNavigator::nbFirst:
            p.drawRect(QRectF(3.5, 3, 2, 10));
            triangle(6, 12);
            break;
        case DbNavigator::nbPrior:
            triangle(5, 11);
            break;
        case DbNavigator::nbNext:
            triangle(11, 5);
            break;
        case DbNavigator::nbLast:
            triangle(10, 4);
            p.drawRect(QRectF(10.5, 3, 2, 10));
            break;
        case DbNavigator::nbInsert:
            p.drawRect(QRectF(7, 3, 2, 10));
            p.drawRect(QRectF(3, 7, 10, 2));
            break;
        case DbNavigator::nbDelete:
            p.drawRect(QRectF(3, 7, 10, 2));
            break;
        case DbNavigator::nbEdit: {
            const QPointF points[] = {{3.0, 11.0}, {8.0, 4.0}, {13.0, 11.0}};
            p.drawPolygon(points, 3);
            break;
        }
        case DbNavigator::nbPost: {
            p.setPen(QPen(ink, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
            QPainterPath tick;
            tick.moveTo(3, 8.5);
            tick.lineTo(6.5, 12);
            tick.lineTo(13, 4);
            p.drawPath(tick);
            break;
        }
        case DbNavigator::nbCancel:
            p.setPen(QPen(ink, 2.2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(4, 4), QPointF(12, 12));
            p.drawLine(QPointF(12, 4), QPointF(4, 12));
            break;
        case DbNavigator::nbRefresh: {
            p.setPen(QPen(ink, 2.0, Qt::SolidLine, Qt::FlatCap));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(3, 3, 10, 10), 100 * 16, 280 * 16);
            p.setPen(Qt::NoPen);
            p.setBrush(ink);
            const QPointF head[] = {{7.0, 0.5}, {11.0, 3.0}, {7.0, 5.5}};
            p.drawPolygon(head, 3);
            break;
        }
    }
    return QIcon(pixmap);
}

}  // namespace

QString DbNavigator::hint(Button button) {
    switch (button) {
        case nbFirst:
            return QStringLiteral("Первая запись");
        case nbPrior:
            return QStringLiteral("Предыдущая запись");
        case nbNext:
            return QStringLiteral("Следующая запись");
        case nbLast:
            return QStringLiteral("Последняя запись");
        case nbInsert:
            return QStringLiteral("Добавить запись");
        case nbDelete:
            return QStringLiteral("Удалить запись");
        case nbEdit:
            return QStringLiteral("Редактировать");
        case nbPost:
            return QStringLiteral("Сохранить изменения");
        case nbCancel:
            return QStringLiteral("Отменить");
        case nbRefresh:
            return QStringLiteral("Обновить данные");
    }
    return {};
}

DbNavigator::DbNavigator(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    static const char* names[kButtonCount] = {"First",  "Prior", "Next", "Last",   "Insert",
                                              "Delete", "Edit",  "Post", "Cancel", "Refresh"};
    for (int i = 0; i < kButtonCount; ++i) {
        const auto b = static_cast<Button>(i);
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(names[i]));
        button->setIcon(glyph(b, kNavy));
        button->setIconSize(QSize(kGlyph, kGlyph));
        button->setToolTip(hint(b));
        button->setStatusTip(hint(b));
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRaise(false);
        button->setFixedSize(25, 25);
        connect(button, &QToolButton::clicked, this, [this, b] { BtnClick(b); });
        layout->addWidget(button);
        buttons_[static_cast<size_t>(i)] = button;
    }
    layout->addStretch(1);
    updateButtons();
}

DbNavigator::~DbNavigator() = default;

void DbNavigator::setDataSource(engine::Dataset* view) {
    if (view == view_) return;
    hooks_.clear();
    view_ = view;
    attach();
    updateButtons();
}

void DbNavigator::attach() {
    if (!view_) return;
    hooks_ += view_->onDataChange.add([this](engine::Dataset&, engine::Field* field) {
        if (!field) updateButtons();
    });
    hooks_ += view_->onStateChange.add([this](engine::Dataset&) { updateButtons(); });
}

void DbNavigator::setVisibleButtons(const std::vector<Button>& buttons) {
    for (int i = 0; i < kButtonCount; ++i) buttons_[static_cast<size_t>(i)]->hide();
    for (Button b : buttons) button(b)->show();
    adjustSize();
}

bool DbNavigator::isButtonVisible(Button b) const {
    return !button(b)->isHidden();
}

void DbNavigator::updateButtons() {
    const bool open = view_ && view_->isOpen();
    const bool edits = view_ && view_->isEditing();
    const bool canModify = open && !view_->isReadOnly();
    int recNo = 0, count = 0;
    if (open) {
        count = view_->recordCount();
        recNo = view_->state() == engine::Dataset::State::Insert ? count + 1 : view_->recNo();
    }
    button(nbFirst)->setEnabled(open && recNo > 1);
    button(nbPrior)->setEnabled(open && recNo > 1);
    button(nbNext)->setEnabled(open && recNo < count);
    button(nbLast)->setEnabled(open && recNo < count);
    button(nbInsert)->setEnabled(canModify);
    button(nbDelete)->setEnabled(canModify && (count > 0 || edits));
    button(nbEdit)->setEnabled(canModify && !edits);
    button(nbPost)->setEnabled(canModify && edits);
    button(nbCancel)->setEnabled(canModify && edits);
    button(nbRefresh)->setEnabled(open);
}

void DbNavigator::BtnClick(Button b) {
    engine::Dataset* view = view_;
    if (!view || !view->isOpen()) return;
    if (b == nbDelete && confirmDelete_ && dialogs_ &&
        dialogs_->messageBox(QStringLiteral("Удалить запись?"), QStringLiteral("Внимание"),
                             base::MB_YESNO | base::MB_ICONQUESTION) != base::IDYES)
        return;
    base::runGuarded(dialogs_, [&] {
        switch (b) {
            case nbFirst:
                view->first();
                break;
            case nbPrior:
                view->prior();
                break;
            case nbNext:
                view->next();
                break;
            case nbLast:
                view->last();
                break;
            case nbInsert:
                view->insert();
                break;
            case nbDelete:
                if (view->recordCount() > 0 || view->isEditing()) view->remove();
                break;
            case nbEdit:
                view->edit();
                break;
            case nbPost:
                view->post();
                break;
            case nbCancel:
                view->cancel();
                break;
            case nbRefresh:
                view->refresh();
                break;
        }
    });
    updateButtons();
    emit clicked(b);
}

}  // namespace widgets
