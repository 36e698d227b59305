#include "app/CommandLineOptions.h"

#include "app/settings/SettingNames.h"
#include "conversion/ConversionSettings.h"
#include "conversion/OutputRules.h"
#include "presets/DevicePresets.h"
#include "support/PathUtils.h"
#include "support/TextUtils.h"

#include <QFileInfo>

namespace {

// A size such as "1920x1080" has at most nine characters; anything longer
// is taken as a mistake rather than a size.
constexpr qsizetype MaxSizeOptionLength = 9;

} // namespace

QString GetOptionValue(const QStringList &_arguments, const QString &_prefix)
{
    for (qsizetype i = 1; i < _arguments.size(); ++i) {
        const QString &argument = _arguments[i];
        if (!argument.startsWith(_prefix, Qt::CaseSensitive))
            continue;
        const qsizetype eq = argument.indexOf(u'=');
        return eq < 0 ? QString() : argument.mid(eq + 1);
    }
    return QString();
}

TCommandLineOptions ParseCommandLineOptions(const QStringList &_arguments,
                                            const TDevicePresets *_presets)
{
    TCommandLineOptions o;
    if (_arguments.size() < 2)
        return o;

    const auto option = [&_arguments](const char16_t *prefix) {
        return GetOptionValue(_arguments, QString::fromUtf16(prefix));
    };

    // A format wins; the device option is read only without one.
    const QString format = option(u"-format=");
    if (!format.isEmpty()) {
        o.coPage = TCommandLineOptions::pcFormat;
        o.coFormatName = AsciiUpperCase(format);
        o.coOutFormatIndex = int(OutputFormatNames().indexOf(o.coFormatName));
    } else {
        const QString device = AsciiLowerCase(option(u"-gadget="));
        if (!device.isEmpty()) {
            o.coPage = TCommandLineOptions::pcDevice;
            o.coDeviceKey = device;
            const int id = _presets ? _presets->GetDeviceIDByName(device) : -1;
            if (id > 0)
                o.coSelectedDeviceID = id;
        }
    }

    // Frame size.
    const QString size = option(u"-resolution=");
    if (!size.isEmpty()) {
        if (size.contains(u'x') && size.size() <= MaxSizeOptionLength) {
            o.coSize = TCommandLineOptions::scText;
            o.coOutSizeText = size;
        } else {
            o.coSize = TCommandLineOptions::scSourceSize;
        }
    }

    // Source: a file given with "-inName=", else a file as the first argument.
    QString source = option(u"-inName=");
    // A FIFO, device or socket counts as missing: reading it could block.
    if (source.isEmpty() && RegularFileExists(_arguments[1]))
        source = _arguments[1];
    // Made absolute here, against the folder the caller started us in: the
    // probe runs in the program folder and the output name is derived from it.
    if (!source.isEmpty() && RegularFileExists(source))
        o.coSourceFileName = AbsolutePath(source);

    // Quality: a missing option means source quality.
    const int quality = StrToIntDef(option(u"-quality="), -1);
    if (quality >= 0) {
        o.coOutQualityType = 1;
        o.coOutQuality = qMin(quality, MaxQualityPosition);
    } else {
        o.coOutQualityType = 0;
    }

    // Keep proportions.
    const QString sameAspect = option(u"-sameaspect=");
    if (sameAspect == u"1")
        o.coSameAspect = TCommandLineOptions::saCheck;
    else if (sameAspect == u"0")
        o.coSameAspect = TCommandLineOptions::saUncheck;

    // Automatic operation: any value means unattended; only the known ones
    // start the conversion by themselves.
    const QString acm = option(u"-acm=");
    if (!acm.isEmpty()) {
        o.coIsAutoMode = true;
        if (acm == u"auto" || acm == u"autoSilent" || acm == u"autoClose") {
            o.coAutoTimerTag = 1;
            o.coStartAutoTimer = true;
        }
        if (acm == u"autoClose")
            o.coCloseOnComplete = true;
    }

    // The caller's job number and name.
    o.coConvertForPM_DID = StrToIntDef(option(u"-fDID="), 0);
    o.coConvertForAppName = option(u"-app=") == u"qlx" ? QString(Settings::QuillaraxProgramName)
                                                       : QString(Settings::PelmoraProgramName);
    return o;
}
