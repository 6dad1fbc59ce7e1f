#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace glimmer {

class PhoneRemote;

// "手机遥控…": the remote on or off, where phones reach it, a QR code to pair one (a new
// one-time ticket each time it is shown or renewed) and the paired devices, each with its
// name, role, last seen, last action and 移除. It blocks nothing while it is open.
class RemoteDialog : public QDialog {
    Q_OBJECT
public:
    explicit RemoteDialog(PhoneRemote& remote, QWidget* parent = nullptr);

private:
    void toggle(bool on);
    void show_state();
    void new_code();
    void fill_devices();

    PhoneRemote& remote_;
    QCheckBox* on_;
    QLabel* addresses_;
    QLabel* code_;
    QLabel* pairing_;
    QPushButton* renew_;
    QTableWidget* devices_;
    QPushButton* remove_all_;
    bool filling_ = false;
};

} // namespace glimmer
