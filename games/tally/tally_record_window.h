#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class TallyRecordWindow;
}

namespace glimmer {

class TallyHistory;

// Lists every addition of the PK in order, undone ones marked; the tally window refreshes it
// whenever its board changes.
class TallyRecordWindow : public QWidget {
    Q_OBJECT
public:
    explicit TallyRecordWindow(QWidget* parent = nullptr);
    ~TallyRecordWindow() override;

    void show_history(const TallyHistory& history);

private:
    std::unique_ptr<Ui::TallyRecordWindow> ui_;
};

} // namespace glimmer
