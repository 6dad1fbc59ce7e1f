#include "games/tally/tally_setup_dialog.h"

#include "runtime/desktop.h"
#include "runtime/files.h"
#include "runtime/translation.h"
#include "runtime/windows.h"
#include "ui_tally_setup_dialog.h"

#include <QDir>
#include <QPushButton>

namespace glimmer {

namespace {

QStringList rows(const QListWidget* list) {
    QStringList texts;
    for (int row = 0; row < list->count(); ++row) {
        texts << list->item(row)->text();
    }
    return texts;
}

void add_row(QListWidget* list, const QString& text) {
    auto* item = new QListWidgetItem(text, list);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
}

void move_row(QListWidget* list, int by) {
    const int row = list->currentRow();
    const int to = row + by;
    if (row < 0 || to < 0 || to >= list->count()) {
        return;
    }
    list->insertItem(to, list->takeItem(row));
    list->setCurrentRow(to);
}

} // namespace

TallySetupDialog::TallySetupDialog(const TallySettings& settings, QString config_home,
                                   QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TallySetupDialog>()),
      config_home_(std::move(config_home)) {
    ui_->setupUi(this);
    QFont plain = font();
    plain.setFamilies({QStringLiteral("Noto Sans CJK SC"), plain.family()});
    setFont(plain);
    ui_->name_one_edit->setText(settings.name_one);
    ui_->name_two_edit->setText(settings.name_two);
    ui_->advert_edit->setPlainText(settings.advert);
    ui_->font_size_box->setMaximum(max_advert_font_size);
    ui_->font_size_box->setValue(settings.advert_font_size);
    ui_->file_path_label->setText(QDir::toNativeSeparators(tally_config_path(config_home_)));
    set_up_list(ui_->amounts_one_list, settings.amounts_one, "one");
    set_up_list(ui_->amounts_two_list, settings.amounts_two, "two");
    connect(ui_->open_folder_button, &QPushButton::clicked, this, [this] {
        const QString folder = tally_config_folder(config_home_);
        make_folder(folder);
        open_folder(folder);
    });
    // Said while the host types, not after: an emoji in a name turns the file to UTF-8.
    ui_->encoding_note->setVisible(false);
    const auto note = [this] {
        ui_->encoding_note->setVisible(tally_settings_need_utf8(this->settings()));
    };
    connect(ui_->name_one_edit, &QLineEdit::textChanged, this, note);
    connect(ui_->name_two_edit, &QLineEdit::textChanged, this, note);
    connect(ui_->advert_edit, &QPlainTextEdit::textChanged, this, note);
    note();
    connect(ui_->button_box, &QDialogButtonBox::accepted, this, [this] {
        if (save()) {
            accept();
        }
    });
    connect(ui_->button_box, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

TallySetupDialog::~TallySetupDialog() = default;

void TallySetupDialog::set_up_list(QListWidget* list, const QStringList& amounts,
                                   const char* player) {
    for (const QString& amount : amounts) {
        add_row(list, amount);
    }
    const auto button = [this, player](const char* action) {
        return findChild<QPushButton*>(QStringLiteral("%1_%2_button").arg(action, player));
    };
    connect(button("add"), &QPushButton::clicked, this, [list] {
        add_row(list, QStringLiteral("1"));
        list->setCurrentRow(list->count() - 1);
        list->editItem(list->currentItem());
    });
    connect(button("remove"), &QPushButton::clicked, this,
            [list] { delete list->takeItem(list->currentRow()); });
    connect(button("up"), &QPushButton::clicked, this, [list] { move_row(list, -1); });
    connect(button("down"), &QPushButton::clicked, this, [list] { move_row(list, 1); });
}

TallySettings TallySetupDialog::settings() const {
    TallySettings settings;
    settings.name_one = ui_->name_one_edit->text();
    settings.name_two = ui_->name_two_edit->text();
    settings.amounts_one = rows(ui_->amounts_one_list);
    settings.amounts_two = rows(ui_->amounts_two_list);
    settings.advert = ui_->advert_edit->toPlainText();
    settings.advert_font_size = ui_->font_size_box->value();
    return settings;
}

bool TallySetupDialog::save() {
    const TallySettings wanted = settings();
    if (const QString problem = tally_settings_problem(wanted); !problem.isEmpty()) {
        message_box(problem + QStringLiteral("\r\n") +
                        translated("TallySetupDialog", "设置没有保存。"),
                    style_error, translated("TallySetupDialog", "PK 设置"));
        return false;
    }
    QString error;
    if (!write_tally_settings(config_home_, wanted, &error)) {
        message_box(
            translated("TallySetupDialog", "设置没有保存：无法写入配置文件，原文件未改动。") +
                QStringLiteral("\r\n") + error,
            style_error, translated("TallySetupDialog", "PK 设置"));
        return false;
    }
    return true;
}

} // namespace glimmer
