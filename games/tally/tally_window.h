#pragma once

#include "games/tally/tally_config.h"
#include "games/tally/tally_view.h"

#include <QFont>
#include <QPixmap>
#include <QPoint>
#include <QWidget>

#include <memory>

namespace Ui {
class TallyWindow;
}

namespace glimmer {

class ReportList;

// The PK scoreboard: two players' totals, their preset amounts, the leader's flag and the
// difference line. The totals live only in the labels showing them and start at 0 : 0 on
// every opening. The window has no frame; it is moved by dragging its background.
class TallyWindow : public QWidget {
    Q_OBJECT
public:
    TallyWindow(TallyConfig& config, const QString& program_folder, const QString& site_url,
                QWidget* parent = nullptr);
    ~TallyWindow() override;

    // Names, advert box and both lists from the configuration file; the totals, markers,
    // selected player and quantity box stay as they are.
    void LoadTallyWindow();
    // After asking, puts the default file in place and loads it.
    void ReinitialiseTallyConfig();
    // The list's selected row becomes the selected player and amount; false with no row.
    bool SelectQuantityRow(ReportList* list);
    void SubmitTypedQuantity();
    // Adds the quantity box to the selected player's total and marks who leads.
    void AddQuantity();
    void CloseTallyWindow();

    // What the window shows of the match, read back from its controls.
    TallyView view() const;

signals:
    // After every change of what view() gives.
    void state_changed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Every change of the names, totals, markers or gap ends here.
    void notify_state_changed();
    void add_double_clicked_row(ReportList* list);
    bool is_link(const QWidget* child) const;

    std::unique_ptr<Ui::TallyWindow> ui_;
    TallyConfig& config_;
    QString program_folder_;
    QString site_url_;
    QPixmap background_;
    QFont advert_font_;
    bool dragging_ = false;
    QPoint drag_offset_;
};

} // namespace glimmer
