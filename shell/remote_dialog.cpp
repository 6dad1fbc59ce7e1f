#include "shell/remote_dialog.h"

#include "runtime/translation.h"
#include "shell/phone_remote.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace glimmer {

RemoteDialog::RemoteDialog(PhoneRemote& remote, QWidget* parent)
    : QDialog(parent), remote_(remote),
      on_(new QCheckBox(translated("remote", "打开手机遥控（局域网）"), this)),
      addresses_(new QLabel(this)), code_(new QLabel(this)), pairing_(new QLabel(this)),
      renew_(new QPushButton(translated("remote", "新的配对码"), this)),
      devices_(new QTableWidget(0, 5, this)),
      remove_all_(new QPushButton(translated("remote", "全部移除"), this)) {
    setWindowTitle(translated("remote", "手机遥控"));
    setAttribute(Qt::WA_DeleteOnClose);
    on_->setObjectName(QStringLiteral("remote_on"));
    for (QLabel* label : {addresses_, pairing_}) {
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    code_->setObjectName(QStringLiteral("remote_code"));
    code_->setAlignment(Qt::AlignCenter);
    pairing_->setObjectName(QStringLiteral("remote_pairing"));
    devices_->setObjectName(QStringLiteral("remote_devices"));
    devices_->setHorizontalHeaderLabels({translated("remote", "名字"), translated("remote", "角色"),
                                         translated("remote", "最后见到"),
                                         translated("remote", "最近操作"), QString()});
    devices_->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
    devices_->verticalHeader()->hide();
    devices_->setMinimumWidth(560);
    auto* trust = new QLabel(
        translated("remote", "手机遥控只在这台电脑的局域网地址上开着，没有加密（手机浏览器不接受"
                             "自签名证书）：同一网络里的人能看到往来的内容，但没有配对的设备什么也"
                             "改不了。配对码 5 分钟内只能用一次；每个请求都用设备自己的密钥签名。"),
        this);
    trust->setWordWrap(true);
    auto* top = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(on_);
    left->addWidget(addresses_);
    left->addWidget(pairing_);
    left->addWidget(renew_);
    left->addStretch();
    top->addLayout(left, 1);
    top->addWidget(code_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(devices_);
    layout->addWidget(remove_all_, 0, Qt::AlignRight);
    layout->addWidget(trust);

    connect(on_, &QCheckBox::toggled, this, &RemoteDialog::toggle);
    connect(renew_, &QPushButton::clicked, this, &RemoteDialog::new_code);
    connect(remove_all_, &QPushButton::clicked, this,
            [this] { remote_.gate().remove(QStringLiteral("all")); });
    connect(&remote_, &PhoneRemote::changed, this, &RemoteDialog::fill_devices);
    connect(devices_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (!filling_ && item->column() == 0) {
            remote_.gate().rename(item->data(Qt::UserRole).toString(), item->text());
        }
    });
    on_->setChecked(remote_.on());
    show_state();
    fill_devices();
}

void RemoteDialog::toggle(bool on) {
    if (on == remote_.on()) {
        return;
    }
    if (!on) {
        remote_.turn_off();
        show_state();
        return;
    }
    const Outcome turned = remote_.turn_on();
    if (!turned.done()) {
        on_->setChecked(false);
        addresses_->setText(turned.reason);
        return;
    }
    show_state();
}

void RemoteDialog::show_state() {
    renew_->setEnabled(remote_.on());
    if (!remote_.on()) {
        addresses_->setText(translated("remote", "手机遥控关着。打开后，场控用手机扫二维码配对，"
                                                 "就能在手机上加分、摇色子、开箱子。"));
        pairing_->clear();
        code_->clear();
        return;
    }
    addresses_->setText(translated("remote", "手机连同一个局域网后打开：\n") +
                        remote_.addresses().join(u'\n'));
    new_code();
}

void RemoteDialog::new_code() {
    const QString address = remote_.pairing_address();
    code_->setPixmap(QPixmap::fromImage(qr_code(address, 5)));
    pairing_->setText(translated("remote", "扫码配对（5 分钟内有效，只能用一次）：\n") + address);
}

void RemoteDialog::fill_devices() {
    filling_ = true;
    const QList<RemoteDevice>& devices = remote_.gate().devices();
    devices_->setRowCount(static_cast<int>(devices.size()));
    for (int row = 0; row < devices.size(); ++row) {
        const RemoteDevice& device = devices[row];
        auto* name = new QTableWidgetItem(device.name);
        name->setData(Qt::UserRole, device.id);
        devices_->setItem(row, 0, name);
        auto* role = new QComboBox;
        role->addItems({translated("remote", "操作"), translated("remote", "只看")});
        role->setCurrentIndex(device.operate ? 0 : 1);
        connect(role, &QComboBox::currentIndexChanged, this,
                [this, id = device.id](int index) { remote_.gate().set_operate(id, index == 0); });
        devices_->setCellWidget(row, 1, role);
        for (const auto& [column, text] :
             {std::pair{2, device.last_seen.toMSecsSinceEpoch() > 0
                               ? device.last_seen.toString(QStringLiteral("MM-dd HH:mm:ss"))
                               : QString()},
              std::pair{3, device.last_action}}) {
            auto* item = new QTableWidgetItem(text);
            item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            devices_->setItem(row, column, item);
        }
        auto* remove = new QPushButton(translated("remote", "移除"));
        connect(remove, &QPushButton::clicked, this,
                [this, id = device.id] { remote_.gate().remove(id); });
        devices_->setCellWidget(row, 4, remove);
    }
    devices_->resizeColumnsToContents();
    remove_all_->setEnabled(!devices.isEmpty());
    filling_ = false;
}

} // namespace glimmer
