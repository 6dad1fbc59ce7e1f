#include "shell/obs_dialog.h"

#include "runtime/translation.h"
#include "runtime/windows.h"
#include "shell/obs_link.h"
#include "shell/obs_stage.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace glimmer {

QString obs_link_words(const ObsLink& link) {
    switch (link.status()) {
    case ObsLink::Status::connected:
        return translated("obs", "已连上 OBS %1。").arg(link.obs_version()) +
               (link.input_kinds().contains(QStringLiteral("browser_source"))
                    ? translated("obs", "它有浏览器源：游戏会作为浏览器源加入。")
                    : translated("obs", "它没有浏览器源：游戏会用 OBS 自带的文字和图片源画出。"));
    case ObsLink::Status::wrong_password:
    case ObsLink::Status::connecting:
    case ObsLink::Status::off:
        break;
    }
    return link.problem().isEmpty() ? translated("obs", "正在连接 OBS…") : link.problem();
}

ObsDialog::ObsDialog(ObsStage& stage, QWidget* parent)
    : QDialog(parent), stage_(stage), address_(new QLineEdit(this)), password_(new QLineEdit(this)),
      result_(new QLabel(this)),
      test_button_(new QPushButton(translated("obs", "测试连接"), this)) {
    setWindowTitle(translated("obs", "连接 OBS"));
    setAttribute(Qt::WA_DeleteOnClose);
    const ObsStage::Target target = stage_.target();
    address_->setText(target.address);
    address_->setObjectName(QStringLiteral("obs_address"));
    password_->setText(target.password);
    password_->setEchoMode(QLineEdit::Password);
    password_->setObjectName(QStringLiteral("obs_password"));
    result_->setObjectName(QStringLiteral("obs_result"));
    result_->setTextFormat(Qt::PlainText);
    result_->setWordWrap(true);
    result_->setMinimumWidth(420);
    result_->setText(stage_.link().status() == ObsLink::Status::off &&
                             stage_.link().problem().isEmpty()
                         ? translated("obs", "OBS 28 以后自带 WebSocket 服务器：在 OBS 的 工具 → "
                                             "WebSocket 服务器设置 里打开它，点“显示连接信息”，"
                                             "把端口和密码填在这里。")
                         : obs_link_words(stage_.link()));

    auto* form = new QFormLayout;
    form->addRow(translated("obs", "地址"), address_);
    form->addRow(translated("obs", "密码"), password_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    buttons->addButton(test_button_, QDialogButtonBox::ActionRole);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(result_);
    layout->addWidget(buttons);
    connect(test_button_, &QPushButton::clicked, this, &ObsDialog::test);
    connect(buttons, &QDialogButtonBox::accepted, this, &ObsDialog::save);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString ObsDialog::result_text() const {
    return result_->text();
}

void ObsDialog::test() {
    delete trial_.data();
    trial_ = new ObsLink(this);
    result_->setText(translated("obs", "正在连接 OBS…"));
    test_button_->setEnabled(false);
    trial_->connect_to(address_->text(), password_->text());
    trial_->after_attempt([this] { tested(); });
}

void ObsDialog::tested() {
    test_button_->setEnabled(true);
    if (trial_.isNull()) {
        return;
    }
    result_->setText(obs_link_words(*trial_));
    // One answer is all a test asks; it does not keep trying.
    trial_->deleteLater();
}

void ObsDialog::save() {
    QString error;
    if (!stage_.set_target({address_->text().trimmed(), password_->text()}, &error)) {
        result_->setText(translated("obs", "没能保存：") + error);
        return;
    }
    accept();
}

} // namespace glimmer
