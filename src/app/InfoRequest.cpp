#include "app/InfoRequest.h"

#include "support/BuildInfo.h"

#include <cstdio>

TInfoRequest FindInfoRequest(const QStringList &_arguments)
{
    for (qsizetype i = 1; i < _arguments.size(); ++i) {
        const QString &argument = _arguments[i];
        if (argument == u"--help" || argument == u"-h")
            return TInfoRequest::irUsage;
        if (argument == u"--version")
            return TInfoRequest::irVersion;
    }
    return TInfoRequest::irNone;
}

QString UsageText()
{
    // Kept in step with the manual page, which says the same at more length.
    return QStringLiteral(
        "Usage: frobnik [FILE] [-name=value ...]\n"
        "       frobnik --help | -h | --version\n"
        "\n"
        "Converts video and audio files with the ffmpeg encoder. Without arguments\n"
        "the window opens; FILE, when it names an existing file, becomes the source.\n"
        "\n"
        "Options (the part up to \"=\" is case-sensitive; an empty value counts as\n"
        "not given; the first of a repeated option counts):\n"
        "  -inName=PATH       the source file\n"
        "  -format=NAME       mp4, webm, flv, mkv, mpg, avi, mov, wmv, 3gp, mp3, aac\n"
        "                     or flac, in any case; shows the format page\n"
        "  -gadget=KEY        a device preset such as iphone, smarttv or mp3audio\n"
        "                     (read only without -format=); shows the device page\n"
        "  -resolution=WxH    frame size such as 1280x720; anything else keeps the\n"
        "                     source's size\n"
        "  -quality=N         quality 0 to 10 (more counts as 10); without it, the\n"
        "                     source's quality\n"
        "  -sameaspect=1|0    keep the source's proportions (on unless 0)\n"
        "  -acm=MODE          auto or autoSilent: convert without a click; autoClose:\n"
        "                     the same, and end the program when it succeeds; any\n"
        "                     other value starts nothing, but an existing output\n"
        "                     file is then renumbered instead of refused\n"
        "  -fDID=N            the calling download manager's job number\n"
        "  -app=NAME          the caller: qlx for Quillarax, anything else Pelmora\n"
        "  -h, --help         print this help and exit\n"
        "  --version          print the version and exit\n"
        "\n"
        "Without a display an automatic run ends the program with status 0 when the\n"
        "file was converted and 1 otherwise. See frobnik(1) for files and examples.\n");
}

QString VersionText()
{
    return QLatin1String("Frobnik ") + FrobnikVersion + u'\n';
}

int AnswerInfoRequest(int _argc, char *_argv[])
{
    QStringList arguments;
    for (int i = 0; i < _argc; ++i)
        arguments << QString::fromLocal8Bit(_argv[i]);
    QString text;
    switch (FindInfoRequest(arguments)) {
    case TInfoRequest::irNone:
        return -1;
    case TInfoRequest::irUsage:
        text = UsageText();
        break;
    case TInfoRequest::irVersion:
        text = VersionText();
        break;
    }
    // A full disk or a closed pipe must not pass for a printed answer.
    const QByteArray bytes = text.toLocal8Bit();
    const bool written =
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size()) &&
        std::fflush(stdout) == 0;
    return written ? 0 : 1;
}
