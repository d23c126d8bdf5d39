#include "shell/ui/key_modes.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>

#include "shell/ui/x11_indicator.h"

namespace velk {

// The X display of the program, or null when it does not run on X.
static void *xDisplay()
{
    auto *x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? static_cast<void *>(x11->display()) : nullptr;
}

static QLabel *indicatorLabel(const char *text, const char *name, QWidget *parent)
{
    auto *label = new QLabel(QLatin1String(text), parent);
    label->setObjectName(QLatin1String(name));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("CAPS")) + 12);
    return label;
}

tKeyModeIndicators::tKeyModeIndicators(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("keyModes"));
    capsLabel_ = indicatorLabel("CAPS", "indicatorCaps", this);
    numLabel_ = indicatorLabel("NUM", "indicatorNum", this);
    ovrLabel_ = indicatorLabel("OVR", "indicatorOvr", this);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(capsLabel_);
    layout->addWidget(numLabel_);
    layout->addWidget(ovrLabel_);
    qApp->installEventFilter(this);
    refresh();
}

tKeyModeIndicators::~tKeyModeIndicators()
{
    if (qApp) qApp->removeEventFilter(this);
}

void tKeyModeIndicators::refresh()
{
    if (void *display = xDisplay()) {
        readX11Indicator(display, "Caps Lock", &caps_);
        readX11Indicator(display, "Num Lock", &num_);
    }
    show(capsLabel_, caps_);
    show(numLabel_, num_);
    show(ovrLabel_, overtype_);
}

void tKeyModeIndicators::show(QLabel *label, bool on) { label->setEnabled(on); }

// A key event passes the window and then each widget on its way up from the focus widget; a
// press is counted at its first widget only.
static bool firstReceiver(QObject *watched)
{
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget) return false;
    QWidget *focus = QApplication::focusWidget();
    return focus ? widget == focus : widget->isWindow();
}

bool tKeyModeIndicators::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && firstReceiver(watched)) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (!key->isAutoRepeat()) {
            if (key->key() == Qt::Key_Insert) overtype_ = !overtype_;
            if (!xDisplay()) {
                if (key->key() == Qt::Key_CapsLock) caps_ = !caps_;
                if (key->key() == Qt::Key_NumLock) num_ = !num_;
            }
        }
        refresh();
    } else if (event->type() == QEvent::KeyRelease ||
               event->type() == QEvent::ApplicationActivate) {
        if (xDisplay()) refresh();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace velk
