#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QtTest>

// Writes Bytes into Path (folders created); fails the test when it cannot.
inline void WriteTestFile(const QString &Path, const QByteArray &Bytes = QByteArray())
{
    QDir().mkpath(QFileInfo(Path).absolutePath());
    QFile f(Path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(Path));
    QCOMPARE(f.write(Bytes), Bytes.size());
}

// A file of Size bytes that takes no disk space: only its size matters.
inline void MakeSparseFile(const QString &Path, qint64 Size)
{
    WriteTestFile(Path);
    QVERIFY(QFile::resize(Path, Size));
}

// Sets an environment variable for one scope.
class TScopedEnv
{
public:
    TScopedEnv(const char *Name, const QByteArray &Value)
        : FName(Name), FOld(qgetenv(Name)), FHad(qEnvironmentVariableIsSet(Name))
    {
        qputenv(Name, Value);
    }
    ~TScopedEnv()
    {
        if (FHad)
            qputenv(FName, FOld);
        else
            qunsetenv(FName);
    }
    TScopedEnv(const TScopedEnv &) = delete;
    TScopedEnv &operator=(const TScopedEnv &) = delete;

private:
    const char *FName;
    QByteArray FOld;
    bool FHad;
};

inline QString FakeEncoderPath()
{
    return qEnvironmentVariable("FROBNIK_FAKE_ENCODER");
}
