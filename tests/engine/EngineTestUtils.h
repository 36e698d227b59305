#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QtTest>

#include <memory>
#include <vector>

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

inline QByteArray ReadAll(const QString &_path)
{
    QFile file(_path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// An executable shell script.
inline void WriteScript(const QString &_path, const QByteArray &_body)
{
    WriteTestFile(_path, "#!/bin/sh\n" + _body);
    QFile::setPermissions(_path,
                          QFile::permissions(_path) | QFileDevice::ExeOwner | QFileDevice::ExeUser);
}

// Environment variables set for one scope, given as "NAME=value".
class TEnvSet
{
public:
    explicit TEnvSet(const QStringList &_assignments)
    {
        for (const QString &assignment : _assignments) {
            FNames << assignment.section(u'=', 0, 0).toLatin1();
            FEnvs.push_back(std::make_unique<TScopedEnv>(FNames.last().constData(),
                                                         assignment.section(u'=', 1).toUtf8()));
        }
    }

private:
    QList<QByteArray> FNames;
    std::vector<std::unique_ptr<TScopedEnv>> FEnvs;
};

// The fake encoder behind a script that logs every start ("encoder.log" in
// _dir, one line of arguments each) and, when RUN_SNAP is set, copies what
// it is given after -i while it runs. Returns the script's path.
inline QString WriteLoggingEncoder(const QString &_dir)
{
    const QString script = QDir(_dir).filePath(QStringLiteral("encoder"));
    WriteScript(script, "printf '%s\\n' \"$*\" >> '" +
                            QDir(_dir).filePath(QStringLiteral("encoder.log")).toUtf8() +
                            "'\n"
                            "if [ -n \"$RUN_SNAP\" ]; then\n"
                            "  prev=''\n"
                            "  for a in \"$@\"; do\n"
                            "    [ \"$prev\" = -i ] && cp -- \"$a\" \"$RUN_SNAP\"\n"
                            "    prev=\"$a\"\n"
                            "  done\n"
                            "fi\n"
                            "exec '" +
                            FakeEncoderPath().toUtf8() + "' \"$@\"\n");
    return script;
}
