#include <cmath>
#include <vector>

#include <QProcess>
#include <QTest>

#include "fluidsynthplayer.h"
#include "systemmediaplayer.h"
#include "standins.h"
#include "testsupport.h"

using namespace Qt::Literals::StringLiterals;

namespace {

class ScriptedDialog final : public FileOpenDialog {
public:
    Result<QString> showOpen(const QString& initialDirectory) override
    {
        directories.append(initialDirectory);
        if (answer.isEmpty())
            return Failure { FailureNumber::DialogCancelled, u"Cancel was selected."_s };
        return answer;
    }
    QString answer;
    QStringList directories;
};

struct Window {
    explicit Window(const QString& program, const QString& data)
    {
        auto ownedPlayer = std::make_unique<RecordingPlayer>();
        auto ownedDialog = std::make_unique<ScriptedDialog>();
        player = ownedPlayer.get();
        dialog = ownedDialog.get();
        music = std::make_unique<MusicOperations>(std::move(ownedPlayer), std::move(ownedDialog), presenter, program, data);
    }
    RecordingPlayer* player;
    ScriptedDialog* dialog;
    RecordingPresenter presenter;
    std::unique_ptr<MusicOperations> music;
};

// Root mean square of the interleaved frames from `from` to `to` seconds.
double loudness(const std::vector<float>& audio, double from, double to)
{
    const auto first = static_cast<std::size_t>(from * FluidSynthPlayer::sampleRate) * 2;
    const auto last = std::min(audio.size(), static_cast<std::size_t>(to * FluidSynthPlayer::sampleRate) * 2);
    double sum = 0;
    for (std::size_t i = first; i < last; ++i)
        sum += double(audio[i]) * audio[i];
    return std::sqrt(sum / double(std::max<std::size_t>(1, last - first)));
}

std::vector<float> render(FluidSynthPlayer& player, double seconds)
{
    std::vector<float> audio(static_cast<std::size_t>(seconds * FluidSynthPlayer::sampleRate) * 2);
    player.render(audio.data(), static_cast<int>(audio.size() / 2));
    return audio;
}

} // namespace

class TestMusic : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void operations();
    void failureNames();
    void rendersAndLoops();
    void defaultPieceSounds();
    void withoutAnAudioDevice();

private:
    QTemporaryDir m_program;
    QTemporaryDir m_data;
};

void TestMusic::initTestCase()
{
    QVERIFY2(!installedSoundFont().isEmpty(), "the General MIDI sound font (timgm6mb-soundfont) is not installed");
    writeTextFile(m_program.path(), u"Music/music1.mid"_s, "MThd");
    QDir(m_data.path()).mkpath(u"music"_s);
}

void TestMusic::operations()
{
    Window window(m_program.path(), m_data.path());
    const QString piece = m_program.filePath(u"Music/music1.mid"_s); // "music" finds "Music"
    window.music->cmdStop_Click();
    window.music->cmdPlay_Click();
    window.music->cmdPlay_Click();
    QCOMPARE(window.player->calls, (QStringList { u"stop"_s, u"stop"_s, u"set "_s + piece, u"play"_s, u"stop"_s, u"set "_s + piece, u"play"_s }));

    // A cancel leaves the player as it was; a choice replaces the piece, then stops and plays.
    window.player->calls.clear();
    window.music->cmdParcourir_Click();
    QCOMPARE(window.player->calls, QStringList());
    window.dialog->answer = m_data.filePath(u"music/other.ogg"_s);
    window.music->cmdParcourir_Click();
    QCOMPARE(window.player->calls, (QStringList { u"set "_s + window.dialog->answer, u"stop"_s, u"play"_s }));
    QCOMPARE(window.dialog->directories, (QStringList { m_data.filePath(u"music"_s), m_data.filePath(u"music"_s) }));
    QCOMPARE(window.presenter.messages, QStringList());
}

void TestMusic::failureNames()
{
    Window window(m_program.path(), m_data.path());
    window.player->failOn = u"set"_s;
    window.music->cmdPlay_Click();
    window.dialog->answer = u"/nowhere.mid"_s;
    window.music->cmdParcourir_Click();
    window.player->failOn = u"stop"_s;
    window.music->cmdStop_Click();
    QCOMPARE(window.presenter.messages, (QStringList { u"53cannot playCMD PLAY"_s, u"53cannot playParcourir"_s, u"53cannot playStop"_s }));
    // After a refused file nothing goes on to play.
    QVERIFY(!window.player->calls.contains(u"play"_s));
}

void TestMusic::rendersAndLoops()
{
    // Two bars at 60 beats a minute: eight seconds, then it starts again.
    QTemporaryDir dir;
    writeTextFile(dir.path(), u"short.notes"_s, "tempo 60\nC4 E4 G4 C5 E5\nC4 D4 A4 D5 F5\n");
    QProcess tool;
    tool.start(QStringLiteral(MIDI_TOOL), { dir.filePath(u"short.notes"_s), dir.filePath(u"short.mid"_s) });
    QVERIFY(tool.waitForFinished() && tool.exitCode() == 0);
    auto player = FluidSynthPlayer::open(dir.filePath(u"short.mid"_s), FluidSynthPlayer::Output::Buffer, -6.0);
    QVERIFY2(player, qPrintable(player ? QString() : player.failure().description));
    (*player)->play();
    const std::vector<float> audio = render(**player, 14.0);
    QVERIFY(loudness(audio, 0.0, 2.0) > 0.0003);
    // Past the end and the reverberation's tail, the piece plays again.
    QVERIFY2(loudness(audio, 12.0, 14.0) > 0.0003, qPrintable(QString::number(loudness(audio, 12.0, 14.0))));
    QVERIFY((*player)->playing());

    (*player)->stop();
    const std::vector<float> after = render(**player, 3.0);
    QVERIFY(loudness(after, 2.0, 3.0) < 0.00003);
}

void TestMusic::defaultPieceSounds()
{
    auto player = FluidSynthPlayer::open(QStringLiteral(DEFAULT_PIECE), FluidSynthPlayer::Output::Buffer, -6.0);
    QVERIFY(player);
    (*player)->play();
    const std::vector<float> quieter = render(**player, 3.0);
    auto full = FluidSynthPlayer::open(QStringLiteral(DEFAULT_PIECE), FluidSynthPlayer::Output::Buffer, 0.0);
    (*full)->play();
    const std::vector<float> louder = render(**full, 3.0);
    QVERIFY(loudness(quieter, 0.5, 3.0) > 0.0003);
    // 6 dB below full: half the amplitude.
    QVERIFY(std::abs(loudness(quieter, 0.5, 3.0) / loudness(louder, 0.5, 3.0) - 0.5) < 0.05);
}

void TestMusic::withoutAnAudioDevice()
{
    SystemMediaPlayer player;
    const Outcome outcome = player.setFileName(QStringLiteral(DEFAULT_PIECE));
    if (outcome.ok())
        QSKIP("this machine has an audio output; the failure path is not reachable here");
    QCOMPARE(outcome.failure().number, 68);
    QVERIFY2(outcome.failure().description.contains(u"no audio output could be opened"_s), qPrintable(outcome.failure().description));
    QVERIFY(player.stop());
}

QTEST_MAIN(TestMusic)
#include "tst_music.moc"
