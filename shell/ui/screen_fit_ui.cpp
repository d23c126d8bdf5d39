#include "shell/ui/screen_fit_ui.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QMdiSubWindow>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>
#include <QWindow>

namespace velk {

static tRect toRect(const QRect &r) { return {r.x(), r.y(), r.width(), r.height()}; }

QRect availableArea(const QWidget *window)
{
    QScreen *screen = window ? window->screen() : nullptr;
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

tMargins frameMargins(const QWidget *window)
{
    if (window->isVisible()) {
        const QRect outer = window->frameGeometry(), inner = window->geometry();
        if (outer != inner)
            return {inner.left() - outer.left(), inner.top() - outer.top(),
                    outer.right() - inner.right(), outer.bottom() - inner.bottom()};
    }
    const int border = 4;
    const int title = QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight);
    return {border, title + border, border, border};
}

static bool fitsAsItIs(const QWidget *window)
{
    return window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen);
}

void fitToScreen(QWidget *window)
{
    const QRect area = availableArea(window);
    if (area.isEmpty() || fitsAsItIs(window)) return;
    const tMargins m = frameMargins(window);
    // The frame's corner: QWidget::pos() is where the frame begins.
    const QPoint corner = window->pos();
    const tRect inner{corner.x() + m.left, corner.y() + m.top, window->width(), window->height()};
    const tRect r = fitInside(inner, m, toRect(area));
    if (r.width != inner.width || r.height != inner.height) window->resize(r.width, r.height);
    if (r.x != inner.x || r.y != inner.y) window->move(r.x - m.left, r.y - m.top);
}

namespace {

// Fits its window at every show, and once more when the window manager has put its frame
// around it (the margins differ from the estimate then).
class tScreenKeeper : public QObject {
public:
    explicit tScreenKeeper(QWidget *window) : QObject(window), window_(window) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != window_) return false;
        switch (event->type()) {
        case QEvent::Show:
            fitToScreen(window_);
            framed_ = false;
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowActivate:
            // The window manager activates the window once it has framed it.
            if (!framed_ && window_->isVisible() &&
                window_->frameGeometry() != window_->geometry()) {
                framed_ = true;
                if (!availableArea(window_).contains(window_->frameGeometry()))
                    fitToScreen(window_);
            }
            break;
        default:
            break;
        }
        return false;
    }

private:
    QWidget *window_;
    bool framed_ = false;
};

// The dialog's layout moves onto a page inside a scroll area, which becomes the dialog's
// only field; the page keeps every field's name, so that the dialog finds them as before.
void wrapInScrollArea(QDialog *dialog)
{
    QLayout *fields = dialog->layout();
    if (!fields) return;
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("dialogPage"));
    page->setLayout(fields); // takes the layout, and its widgets, from the dialog
    auto *scroll = new QScrollArea(dialog);
    scroll->setObjectName(QStringLiteral("dialogScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidgetResizable(true);
    scroll->setWidget(page);
    auto *outer = new QVBoxLayout(dialog);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
    // The old layout left its (too large) minimum on the dialog; the new one sets its own.
    outer->activate();
    const QSize want = page->sizeHint();
    const int bar = dialog->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    dialog->resize(want.width() + bar, want.height() + bar);
}

bool tooLarge(const QDialog *dialog)
{
    const QRect area = availableArea(dialog);
    const tMargins m = frameMargins(dialog);
    const QSize least = dialog->minimumSizeHint().expandedTo(dialog->minimumSize());
    return least.width() + m.left + m.right > area.width() ||
           least.height() + m.top + m.bottom > area.height();
}

class tDialogKeeper : public tScreenKeeper {
public:
    explicit tDialogKeeper(QDialog *dialog) : tScreenKeeper(dialog), dialog_(dialog) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == dialog_ && event->type() == QEvent::Show && !checked_) {
            checked_ = true;
            if (dialog_->layout()) dialog_->layout()->activate();
            if (tooLarge(dialog_)) wrapInScrollArea(dialog_);
        }
        return tScreenKeeper::eventFilter(watched, event);
    }

private:
    QDialog *dialog_;
    bool checked_ = false;
};

} // namespace

void keepOnScreen(QWidget *window) { window->installEventFilter(new tScreenKeeper(window)); }

void keepDialogOnScreen(QDialog *dialog) { dialog->installEventFilter(new tDialogKeeper(dialog)); }

bool dialogScrolls(const QDialog *dialog)
{
    return dialog->findChild<QScrollArea *>(QStringLiteral("dialogScroll"),
                                            Qt::FindDirectChildrenOnly) != nullptr;
}

void fitSubWindow(QMdiSubWindow *sub, const QRect &area)
{
    if (area.isEmpty() || sub->isMinimized() || sub->isMaximized()) return;
    const QRect g = sub->geometry();
    const tRect r = fitInside(toRect(g), {}, toRect(area));
    if (r.x != g.x() || r.y != g.y() || r.width != g.width() || r.height != g.height())
        sub->setGeometry(r.x, r.y, r.width, r.height);
}

} // namespace velk
