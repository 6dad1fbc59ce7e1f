#pragma once

#include <QDialog>
#include <QPointer>

class QLabel;
class QLineEdit;
class QPushButton;

namespace glimmer {

class ObsLink;
class ObsStage;

// "连接 OBS…": where OBS's WebSocket server is and its password. "测试连接" tries them on a
// link of its own and says in words what happened; "保存" keeps them in the settings file and
// the program's link connects with them. It blocks nothing: the games go on while it is open.
class ObsDialog : public QDialog {
    Q_OBJECT
public:
    ObsDialog(ObsStage& stage, QWidget* parent = nullptr);

    // What the last test came to, as the host reads it.
    QString result_text() const;

private:
    void test();
    void tested();
    void save();

    ObsStage& stage_;
    QLineEdit* address_;
    QLineEdit* password_;
    QLabel* result_;
    QPushButton* test_button_;
    QPointer<ObsLink> trial_;
};

// The words for how a link stands: connected with OBS's version and which way the games are
// drawn, a wrong password, or not reachable with where to turn the server on.
QString obs_link_words(const ObsLink& link);

} // namespace glimmer
