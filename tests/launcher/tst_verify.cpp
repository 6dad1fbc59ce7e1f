// "glimmerhall verify" through the real program, on turns and burials the game models
// published.

#include "games/dice/dice_turn.h"
#include "games/dice/dice_view.h"
#include "games/minebox/minebox_round.h"
#include "games/minebox/minebox_view.h"

#include <QProcess>
#include <QTest>

using namespace glimmer;

namespace {

const QString dice_phrase = QStringLiteral("老铁's 666 | $HOME");
const QString minebox_phrase = QStringLiteral("-埋 it");

QString swap_case_at(const QString& text, qsizetype at) {
    QString changed = text;
    const QChar c = changed[at];
    changed[at] = c == u'a' ? u'b' : c.isUpper() ? c.toLower() : c == u'x' ? u'y' : u'x';
    return changed;
}

QString flip_hex_digit(const QString& hex, qsizetype at) {
    QString changed = hex;
    changed[at] = changed[at] == u'0' ? u'1' : u'0';
    return changed;
}

QString winner_of(const DiceReveal& reveal) {
    return reveal.outcome == left_wins_outcome ? QStringLiteral("left") : QStringLiteral("right");
}

QString faces_of(const DiceFaces& faces) {
    return QString::number(faces.dragon) + u'-' + QString::number(faces.tiger);
}

bool same_throw(const ThrowResult& a, const DiceReveal& b) {
    return a.outcome == b.outcome && a.faces.dragon == b.faces.dragon &&
           a.faces.tiger == b.faces.tiger;
}

// A turn the model settled, with its seed. A dice outcome is one of 30, so a changed phrase
// gives the same one now and then; the turn taken is one where each change of the phrase
// below shows, as it does for all but about one turn in ten.
DiceReveal published_turn(const QStringList& changed_phrases) {
    DiceState state;
    DiceTurn turn(state);
    turn.set_timer_driven(false);
    for (;;) {
        turn.set_phrase(dice_phrase);
        turn.open_count_frame();
        turn.set_throw_count(QStringLiteral("12"));
        turn.start_shaking();
        while (turn.phase() == DicePhase::shaking) {
            turn.throw_once();
        }
        turn.reveal();
        const DiceReveal reveal = *turn.last_reveal();
        bool all_show = true;
        for (const QString& phrase : changed_phrases) {
            DrawRecord changed = reveal.draw;
            changed.phrase = phrase;
            all_show = all_show && !same_throw(replay_turn(changed, reveal.throws), reveal);
        }
        if (all_show) {
            return reveal;
        }
    }
}

MineBoxReveal published_burial() {
    MineBoxTallies tallies;
    MineBoxRound round(tallies);
    round.set_phrase(minebox_phrase);
    round.set_box_count_text(QStringLiteral("30"));
    round.set_mine_count_text(QStringLiteral("7"));
    round.bury();
    round.leave();
    return *round.last_reveal();
}

struct Run {
    int exit_code = -1;
    QString out;
    QString err;
};

Run run_program(const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    process.setProcessEnvironment(environment);
    process.start(arguments.first(), arguments.mid(1));
    Run run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        return run;
    }
    run.exit_code = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace

class TestVerify : public QObject {
    Q_OBJECT

private slots:
    void verify_accepts_published_draws_and_rejects_any_change_data();
    void verify_accepts_published_draws_and_rejects_any_change();
    void the_published_command_line_pastes_into_a_shell_data();
    void the_published_command_line_pastes_into_a_shell();
};

void TestVerify::verify_accepts_published_draws_and_rejects_any_change_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exit_code");
    QTest::addColumn<QString>("says"); // in the output, or in the reason when refused

    const QStringList changed_phrases{swap_case_at(dice_phrase, 0),
                                      swap_case_at(dice_phrase, dice_phrase.size() - 1),
                                      dice_phrase + u' ', QString()};
    const DiceReveal turn = published_turn(changed_phrases);
    const QString seed = hex_text(turn.draw.seed);
    const auto dice = [&](const QString& seed_text, const QString& phrase, const QString& winner,
                          const QString& faces) {
        QStringList words{"verify", "dice", seed_text};
        if (!phrase.isNull()) {
            words << phrase;
        }
        return words << "--round" << QString::number(turn.draw.round) << "--throws"
                     << QString::number(turn.throws) << "--commitment"
                     << hex_text(turn.draw.commitment()) << "--winner" << winner << "--faces"
                     << faces;
    };
    const QString winner = winner_of(turn);
    const QString faces = faces_of(turn.faces);
    const QString other_winner =
        winner == u"left" ? QStringLiteral("right") : QStringLiteral("left");
    const QString swapped_faces = faces_of(DiceFaces{turn.faces.tiger, turn.faces.dragon});

    QTest::newRow("dice as published")
        << dice(seed, dice_phrase, winner, faces) << 0 << QStringLiteral("faces      ") + faces;
    QTest::newRow("dice, seed's first byte")
        << dice(flip_hex_digit(seed, 0), dice_phrase, winner, faces) << 1
        << QStringLiteral("the commitment does not match");
    QTest::newRow("dice, seed's last byte")
        << dice(flip_hex_digit(seed, 63), dice_phrase, winner, faces) << 1
        << QStringLiteral("the commitment does not match");
    QTest::newRow("dice, phrase's first character")
        << dice(seed, changed_phrases[0], winner, faces) << 1 << QStringLiteral("not match");
    QTest::newRow("dice, phrase's last character")
        << dice(seed, changed_phrases[1], winner, faces) << 1 << QStringLiteral("not match");
    QTest::newRow("dice, phrase one blank longer")
        << dice(seed, changed_phrases[2], winner, faces) << 1 << QStringLiteral("not match");
    QTest::newRow("dice, phrase left out")
        << dice(seed, QString(), winner, faces) << 1 << QStringLiteral("not match");
    QTest::newRow("dice, other winner") << dice(seed, dice_phrase, other_winner, faces) << 1
                                        << QStringLiteral("the winner does not match");
    QTest::newRow("dice, faces swapped") << dice(seed, dice_phrase, winner, swapped_faces) << 1
                                         << QStringLiteral("the faces do not match");

    const MineBoxReveal burial = published_burial();
    const QString mine_seed = hex_text(burial.draw.seed);
    QStringList listed;
    for (const int box : burial.mine_boxes) {
        listed << QString::number(box);
    }
    const auto minebox = [&](const QString& seed_text, const QString& phrase,
                             const QString& mine_boxes) {
        QStringList words{"verify",
                          "minebox",
                          seed_text,
                          "--round",
                          QString::number(burial.draw.round),
                          "--boxes",
                          "30",
                          "--mines",
                          "7",
                          "--commitment",
                          hex_text(burial.draw.commitment()),
                          "--mine-boxes",
                          mine_boxes};
        if (!phrase.isNull()) {
            words << "--" << phrase;
        }
        return words;
    };
    QStringList moved = listed;
    // The first mine one box along (or back), to a box without one.
    int box = burial.mine_boxes.front();
    do {
        box = box % 30 + 1;
    } while (std::find(burial.mine_boxes.begin(), burial.mine_boxes.end(), box) !=
             burial.mine_boxes.end());
    moved[0] = QString::number(box);

    QTest::newRow("minebox as published") << minebox(mine_seed, minebox_phrase, listed.join(u','))
                                          << 0 << QStringLiteral("mine-boxes ") + listed.join(u',');
    QTest::newRow("minebox, seed's middle byte")
        << minebox(flip_hex_digit(mine_seed, 31), minebox_phrase, listed.join(u',')) << 1
        << QStringLiteral("the commitment does not match");
    QTest::newRow("minebox, phrase's last character")
        << minebox(mine_seed, swap_case_at(minebox_phrase, minebox_phrase.size() - 1),
                   listed.join(u','))
        << 1 << QStringLiteral("the mine boxes do not match");
    QTest::newRow("minebox, phrase left out") << minebox(mine_seed, QString(), listed.join(u','))
                                              << 1 << QStringLiteral("the mine boxes do not match");
    QTest::newRow("minebox, one mine moved") << minebox(mine_seed, minebox_phrase, moved.join(u','))
                                             << 1 << QStringLiteral("the mine boxes do not match");
    QTest::newRow("minebox, one mine left out")
        << minebox(mine_seed, minebox_phrase, listed.mid(1).join(u',')) << 1
        << QStringLiteral("the mine boxes do not match");

    QTest::newRow("usage: no round") << QStringList{"verify", "dice", seed, "--throws", "3"} << 2
                                     << QStringLiteral("--round is needed");
    QTest::newRow("usage: more throws than a turn has")
        << QStringList{"verify", "dice", seed, "--round", "1", "--throws", "2147483647"} << 2
        << QStringLiteral("a turn has 1 to 1000 throws");
    QTest::newRow("usage: short seed")
        << QStringList{"verify", "dice", seed.left(62), "--round", "1", "--throws", "3"} << 2
        << QStringLiteral("the seed must be 64 hex digits");
    QTest::newRow("usage: unknown game")
        << QStringList{"verify", "tally", seed} << 2 << QStringLiteral("unknown game 'tally'");
    QTest::newRow("usage: dashed phrase without --")
        << QStringList{"verify", "minebox", mine_seed, "-埋", "--round", "1"} << 2
        << QStringLiteral("unknown option '-埋'");
    QTest::newRow("help") << QStringList{"verify", "--help"} << 0
                          << QStringLiteral("glimmerhall-draw|<game>|<round>|<n>|<phrase>");
}

void TestVerify::verify_accepts_published_draws_and_rejects_any_change() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exit_code);
    QFETCH(QString, says);
    const Run run = run_program(QStringList{QStringLiteral(LAUNCHER)} + arguments);
    QVERIFY2(run.exit_code == exit_code, qPrintable(run.out + run.err));
    const QString where = exit_code == 0 ? run.out : run.err;
    QVERIFY2(where.contains(says), qPrintable(run.out + run.err));
    if (exit_code == 0) {
        QVERIFY(run.err.isEmpty());
    }
}

void TestVerify::the_published_command_line_pastes_into_a_shell_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("says");
    const DiceReveal turn = published_turn({});
    QTest::newRow("dice") << dice_verify_command(turn)
                          << QStringLiteral("faces      ") + faces_of(turn.faces);
    const MineBoxReveal burial = published_burial();
    QTest::newRow("minebox, dashed phrase")
        << minebox_verify_command(burial) << QStringLiteral("checks: everything given matches");
}

void TestVerify::the_published_command_line_pastes_into_a_shell() {
    QFETCH(QString, command);
    QFETCH(QString, says);
    QVERIFY(command.startsWith(QStringLiteral("glimmerhall verify ")));
    command.replace(0, 11, QStringLiteral("'" LAUNCHER "'"));
    const Run run = run_program({QStringLiteral("/bin/sh"), QStringLiteral("-c"), command});
    QVERIFY2(run.exit_code == 0, qPrintable(command + u'\n' + run.out + run.err));
    QVERIFY2(run.out.contains(says), qPrintable(run.out));
}

QTEST_GUILESS_MAIN(TestVerify)
#include "tst_verify.moc"
