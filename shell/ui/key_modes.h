// key_modes.h - the status bar's keyboard mode indicators "CAPS", "NUM" and "OVR".
//
// Caps Lock and Num Lock are read from the X server's keyboard indicators where the program runs
// on X; elsewhere (and when the server does not answer) they are followed from the key presses
// the program sees.  Overtype is the program's own mode, switched by the Insert key.
// An indicator shows its text enabled while the mode is on and greyed while it is off.
#ifndef VELK_SHELL_UI_KEY_MODES_H
#define VELK_SHELL_UI_KEY_MODES_H

#include <QWidget>

class QLabel;

namespace velk {

class tKeyModeIndicators : public QWidget {
    Q_OBJECT
public:
    explicit tKeyModeIndicators(QWidget *parent = nullptr);
    ~tKeyModeIndicators() override;

    bool capsLock() const { return caps_; }
    bool numLock() const { return num_; }
    bool overtype() const { return overtype_; }

    void refresh(); // reads the lock states again

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void show(QLabel *label, bool on);

    QLabel *capsLabel_;
    QLabel *numLabel_;
    QLabel *ovrLabel_;
    bool caps_ = false;
    bool num_ = false;
    bool overtype_ = false;
};

} // namespace velk

#endif
