#include "fairness_box.h"

#include "overlay_server.h"
#include "windows.h"

#include <QClipboard>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace glimmer {

namespace {

QLineEdit* read_only_line(const QString& name, QWidget* parent) {
    auto* line = new QLineEdit(parent);
    line->setObjectName(name);
    line->setReadOnly(true);
    return line;
}

} // namespace

FairnessBox::FairnessBox(std::function<QString(const QString&)> set_phrase, QWidget* parent)
    : QDialog(parent), set_phrase_(std::move(set_phrase)), round_(new QLabel(this)),
      commitment_(read_only_line(QStringLiteral("commitment"), this)),
      phrase_edit_(new QLineEdit(this)), phrase_button_(new QPushButton(this)),
      phrase_note_(new QLabel(this)), revealed_(new QPlainTextEdit(this)),
      command_(read_only_line(QStringLiteral("verify_command"), this)),
      link_(read_only_line(QStringLiteral("verify_link"), this)),
      copy_link_(new QPushButton(QStringLiteral("复制"), this)) {
    setObjectName(QStringLiteral("fairness_box"));
    setWindowTitle(QStringLiteral("公平验证"));
    setModal(false);
    resize(560, 420);

    round_->setObjectName(QStringLiteral("draw_round"));
    round_->setTextFormat(Qt::PlainText);
    phrase_edit_->setObjectName(QStringLiteral("phrase_edit"));
    phrase_edit_->setPlaceholderText(QStringLiteral("开局前从弹幕里选一句口令"));
    phrase_button_->setObjectName(QStringLiteral("phrase_button"));
    phrase_button_->setText(QStringLiteral("用这句口令"));
    phrase_note_->setObjectName(QStringLiteral("phrase_note"));
    phrase_note_->setTextFormat(Qt::PlainText);
    phrase_note_->setWordWrap(true);
    revealed_->setObjectName(QStringLiteral("revealed"));
    revealed_->setReadOnly(true);

    auto* explained = new QLabel(
        QStringLiteral(
            "每一局开始前，程序从系统的安全随机源取一个种子，先公布它的 SHA-256（承诺）；"
            "这一局的结果只由种子和口令算出。开奖后公布种子和口令，谁都可以核对。"),
        this);
    explained->setTextFormat(Qt::PlainText);
    explained->setWordWrap(true);

    auto* phrase_row = new QHBoxLayout;
    phrase_row->addWidget(phrase_edit_, 1);
    phrase_row->addWidget(phrase_button_);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("轮次："), round_);
    form->addRow(QStringLiteral("承诺："), commitment_);
    form->addRow(QStringLiteral("口令："), phrase_row);
    form->addRow(QString(), phrase_note_);
    form->addRow(QStringLiteral("上次开奖："), revealed_);
    form->addRow(QStringLiteral("命令行核对："), command_);
    copy_link_->setObjectName(QStringLiteral("copy_verify_link"));
    copy_link_->setEnabled(false);
    auto* link_row = new QHBoxLayout;
    link_row->addWidget(link_, 1);
    link_row->addWidget(copy_link_);
    form->addRow(QStringLiteral("网页核对："), link_row);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explained);
    layout->addLayout(form);

    connect(phrase_button_, &QPushButton::clicked, this, &FairnessBox::use_phrase);
    connect(phrase_edit_, &QLineEdit::returnPressed, this, &FairnessBox::use_phrase);
    connect(copy_link_, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(link_->text()); });
}

void FairnessBox::use_phrase() {
    const QString refused = set_phrase_ ? set_phrase_(phrase_edit_->text()) : QString();
    if (!refused.isEmpty()) {
        phrase_note_->setText(refused);
    }
}

QString revealed_draw_lines(const DrawRecord& record) {
    // Joined, not arg()ed: the phrase is the chat's and may hold "%1".
    return QStringLiteral("轮次：") + QString::number(record.round) + QStringLiteral("\n种子：") +
           hex_text(record.seed) + QStringLiteral("\n口令：") + record.phrase +
           QStringLiteral("\n承诺：") + hex_text(record.commitment());
}

void FairnessBox::open_or_raise(QPointer<FairnessBox>& box,
                                std::function<QString(const QString&)> set_phrase, QWidget* window,
                                const std::function<void()>& fill) {
    if (box == nullptr) {
        box = new FairnessBox(std::move(set_phrase), window);
        box->setWindowFlag(Qt::Window);
        fill();
        // Beside the game, not over it: the host keeps playing while it is open.
        move_beside(box, window);
    }
    box->show();
    box->raise();
    box->activateWindow();
}

void FairnessBox::show_draw(const FairnessShown& shown) {
    const PendingDraw& draw = shown.draw;
    round_->setText(QString::number(draw.round));
    commitment_->setText(hex_text(draw.commitment));
    commitment_->setCursorPosition(0);
    // The typed text stays while the host edits it; a locked phrase shows what was used,
    // and a new round starts from its own.
    if (draw.round != shown_round_ || !draw.phrase_open || !phrase_edit_->hasFocus()) {
        phrase_edit_->setText(draw.phrase);
    }
    shown_round_ = draw.round;
    phrase_edit_->setReadOnly(!draw.phrase_open);
    phrase_button_->setEnabled(draw.phrase_open);
    phrase_note_->setText(draw.phrase_open
                              ? (draw.phrase.isEmpty() ? QStringLiteral("还没有口令")
                                                       : QStringLiteral("已用这句口令"))
                              : QStringLiteral("这一局已经开始，口令定了"));
    revealed_->setPlainText(shown.revealed.isEmpty() ? QStringLiteral("还没有开奖")
                                                     : shown.revealed);
    command_->setText(shown.verify_command);
    command_->setCursorPosition(0);
    // A whole address a viewer can open, on the overlay server that serves the page; with
    // overlays off there is no such page, and the box says why.
    const QString origin = overlay_origin();
    const bool whole = !shown.verify_link.isEmpty() && !origin.isEmpty();
    link_->setText(whole ? origin + shown.verify_link
                   : shown.verify_link.isEmpty()
                       ? QString()
                       : QStringLiteral("直播叠加没有开，网页核对用不了"));
    link_->setCursorPosition(0);
    copy_link_->setEnabled(whole);
}

} // namespace glimmer
