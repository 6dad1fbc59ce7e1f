#pragma once

#include "games/tally/tally_settings.h"

#include <QDialog>

#include <memory>

class QListWidget;

namespace Ui {
class TallySetupDialog;
}

namespace glimmer {

// "PK 设置": both names, each player's preset amounts (add, remove, reorder), the advert
// text and its size. Saving writes the configuration file; settings the file cannot hold
// are refused with the reason, and the dialog stays open.
//
// Controls (objectName: what it edits), for reading tally_setup_dialog.ui:
//   name_one_edit, name_two_edit             the names
//   amounts_one_list, amounts_two_list       the preset amounts, one editable row each
//   add_/remove_/up_/down_ one|two _button   add, remove and move a row
//   advert_edit, font_size_box               the advert text and its size in points
//   file_path_label, open_folder_button      where the file lives
//   button_box                               保存 and 取消
class TallySetupDialog : public QDialog {
    Q_OBJECT
public:
    TallySetupDialog(const TallySettings& settings, QString config_home, QWidget* parent = nullptr);
    ~TallySetupDialog() override;

    TallySettings settings() const;
    // Checks, then writes; false (after telling the host why) when nothing was written.
    bool save();

private:
    void set_up_list(QListWidget* list, const QStringList& amounts, const char* player);

    std::unique_ptr<Ui::TallySetupDialog> ui_;
    QString config_home_;
};

} // namespace glimmer
