// The settings file under kills: a child writing key after key is killed at points stepped
// across its run; the file must always read back whole, each key holding the value before or
// after, and the keys written so far exactly those the child had reached.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr int kKeys = 24;

QString key(int i) { return QStringLiteral("Quillmere/Key%1").arg(i, 3, 10, QLatin1Char('0')); }
QString value(const QString& prefix, int i) { return prefix + QString::number(i) + QString(2000, u'.'); }

class SettingsKill : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_config = m_dir.filePath(QStringLiteral("config"));
        ASSERT_TRUE(QDir().mkpath(m_config));
        m_file = m_config + QStringLiteral("/Tessalind.ini");
    }

    QProcess* startChild(const QString& prefix) {
        auto* child = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config);
        child->setProcessEnvironment(env);
        child->start(QStringLiteral(QUILLMERE_SETTINGS_CHILD), {QString::number(kKeys), prefix});
        return child;
    }

    // How many keys hold the new value, when the file is whole and in order; -1 otherwise.
    int newKeysInOrder(std::string* why) const {
        QSettings store(m_file, QSettings::IniFormat);
        if (store.status() != QSettings::NoError) {
            *why = "unreadable";
            return -1;
        }
        int reached = 0;
        for (int i = 0; i < kKeys; ++i) {
            const QString text = store.value(key(i)).toString();
            if (text == value(QStringLiteral("new"), i) && reached == i) {
                ++reached;
            } else if (text != value(QStringLiteral("old"), i)) {
                *why = "key " + std::to_string(i) + " holds \"" + text.left(40).toStdString() + "\"";
                return -1;
            }
        }
        return reached;
    }

    QTemporaryDir m_dir;
    QString m_config;
    QString m_file;
};

TEST_F(SettingsKill, KilledWriterLeavesTheValuesBeforeOrAfterEachWrite) {
    std::unique_ptr<QProcess> writer(startChild(QStringLiteral("old")));
    ASSERT_TRUE(writer->waitForFinished(120000));
    ASSERT_EQ(writer->exitCode(), 0);
    QFile oldFile(m_file);
    ASSERT_TRUE(oldFile.open(QIODevice::ReadOnly));
    const QByteArray old = oldFile.readAll();
    oldFile.close();

    QElapsedTimer clock;
    clock.start();
    writer.reset(startChild(QStringLiteral("new")));
    ASSERT_TRUE(writer->waitForFinished(120000));
    const qint64 childMs = std::max<qint64>(clock.elapsed(), 20);

    constexpr int kSteps = 30;
    bool finished = false;
    int partial = 0;
    qint64 delay = 0;
    bool lastFinished = false;
    // Past the even steps the delay grows until a writer finishes, and shrinks again while no
    // kill has landed between the first and the last write (the machine's speed changes).
    for (int step = 0; step <= kSteps + 60 && !(finished && partial > 0 && step > kSteps); ++step) {
        QFile reset(m_file);
        ASSERT_TRUE(reset.open(QIODevice::WriteOnly | QIODevice::Truncate));
        reset.write(old);
        reset.close();
        if (step <= kSteps) {
            delay = childMs * step / kSteps;
        } else {
            delay = lastFinished && partial == 0 ? delay * 2 / 3 : delay * 3 / 2 + 1;
        }
        writer.reset(startChild(QStringLiteral("new")));
        ASSERT_TRUE(writer->waitForStarted(60000));
        lastFinished = writer->waitForFinished(int(std::min<qint64>(delay, 20000)));
        if (!lastFinished) {
            writer->kill();
            ASSERT_TRUE(writer->waitForFinished(60000));
        } else {
            ASSERT_EQ(writer->exitCode(), 0);
            finished = true;
        }
        std::string why;
        const int reached = newKeysInOrder(&why);
        ASSERT_GE(reached, 0) << "step " << step << ": " << why;
        if (reached > 0 && reached < kKeys) ++partial;
    }
    EXPECT_TRUE(finished) << "no writer finished before its kill";
    // Kills that land between the first and the last write show the file was read back
    // mid-run, not only before or after it.
    EXPECT_GT(partial, 0);

    // A kill between the naming of the new file and its rename leaves the named file; the next
    // write takes it away (and a stale lock of a killed writer does not stop it). Files that
    // merely look alike stay.
    for (const char* name : {"Tessalind.ini.a1B2c3", "Tessalind.ini.lock", "Tessalind.ini.bak",
                             "Tessalind.ini.a1B2c3d", "Other.ini.a1B2c3"}) {
        QFile file(m_config + u'/' + QString::fromLatin1(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(name == std::string("Tessalind.ini.lock") ? "999999\nsettings_child\n\n" : "partial");
    }
    writer.reset(startChild(QStringLiteral("new")));
    ASSERT_TRUE(writer->waitForFinished(120000));
    ASSERT_EQ(writer->exitCode(), 0);
    std::string why;
    EXPECT_EQ(newKeysInOrder(&why), kKeys) << why;
    EXPECT_EQ(QDir(m_config).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              QStringList({QStringLiteral("Other.ini.a1B2c3"), QStringLiteral("Tessalind.ini"),
                           QStringLiteral("Tessalind.ini.a1B2c3d"), QStringLiteral("Tessalind.ini.bak")}));
}

}  // namespace
