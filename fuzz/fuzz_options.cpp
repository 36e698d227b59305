// The command-line option parser. Input: one argument per line, the first
// being the program.
#include "FuzzCommon.h"

#include "app/CommandLineOptions.h"
#include "app/settings/SettingNames.h"
#include "conversion/OutputRules.h"
#include "presets/DevicePresets.h"
#include "support/PathUtils.h"

namespace {

const TDevicePresets &ShippedPresets()
{
    static const TDevicePresets presets(QStringLiteral(FROBNIK_SOURCE_DIR "/data/presets.xml"));
    return presets;
}

void CheckRecord(const QStringList &_args, const TCommandLineOptions &o,
                 const TDevicePresets *_presets)
{
    using O = TCommandLineOptions;
    if (_args.size() < 2) {
        FUZZ_CHECK(o.coPage == O::pcKeep && o.coSize == O::scKeep && o.coOutQualityType == -1);
        FUZZ_CHECK(o.coConvertForAppName.isEmpty() && o.coConvertForPM_DID == 0 && !o.coIsAutoMode);
        return;
    }
    FUZZ_CHECK(o.coOutQualityType == 0 || o.coOutQualityType == 1);
    if (o.coOutQualityType == 1)
        FUZZ_CHECK(o.coOutQuality >= 0 && o.coOutQuality <= 10);
    else
        FUZZ_CHECK(o.coOutQuality == -1);

    FUZZ_CHECK(o.coOutFormatIndex >= -1 && o.coOutFormatIndex < OutputFormatNames().size());
    if (o.coOutFormatIndex >= 0)
        FUZZ_CHECK(o.coPage == O::pcFormat &&
                   OutputFormatNames().at(o.coOutFormatIndex) == o.coFormatName);
    if (o.coPage == O::pcFormat)
        FUZZ_CHECK(!o.coFormatName.isEmpty() && o.coFormatName == AsciiUpperCase(o.coFormatName));
    if (o.coPage == O::pcDevice)
        FUZZ_CHECK(!o.coDeviceKey.isEmpty() && o.coDeviceKey == AsciiLowerCase(o.coDeviceKey));
    if (o.coSelectedDeviceID != 0) {
        FUZZ_CHECK(o.coPage == O::pcDevice && _presets != nullptr);
        const TDevPreset *p = _presets->GetDeviceByID(o.coSelectedDeviceID);
        FUZZ_CHECK(p != nullptr && p->idName == o.coDeviceKey);
    }

    if (o.coSize == O::scText)
        FUZZ_CHECK(o.coOutSizeText.contains(u'x') && o.coOutSizeText.size() <= 9);
    else
        FUZZ_CHECK(o.coOutSizeText.isEmpty());

    FUZZ_CHECK(o.coSourceFileName.isEmpty() || FileExists(o.coSourceFileName));

    FUZZ_CHECK(o.coAutoTimerTag == 0 || o.coAutoTimerTag == 1);
    FUZZ_CHECK(o.coStartAutoTimer == (o.coAutoTimerTag == 1));
    if (o.coCloseOnComplete)
        FUZZ_CHECK(o.coStartAutoTimer);
    if (o.coStartAutoTimer)
        FUZZ_CHECK(o.coIsAutoMode);

    FUZZ_CHECK(o.coConvertForAppName == QLatin1String(Settings::PelmoraProgramName) ||
               o.coConvertForAppName == QLatin1String(Settings::QuillaraxProgramName));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = FuzzText(data, size);
    const QStringList args = text.isEmpty() ? QStringList() : text.split(u'\n');

    CheckRecord(args, ParseCommandLineOptions(args, &ShippedPresets()), &ShippedPresets());
    CheckRecord(args, ParseCommandLineOptions(args, nullptr), nullptr);

    // A value is the rest of one argument after its first "=", and the
    // program itself is never read as an option.
    for (const QString &prefix :
         {QStringLiteral("-inName="), QStringLiteral("-format="), QStringLiteral("-"), QString()}) {
        const QString value = GetOptionValue(args, prefix);
        if (value.isEmpty())
            continue;
        bool found = false;
        for (qsizetype i = 1; i < args.size() && !found; ++i)
            found = args[i].startsWith(prefix) && args[i].endsWith(value) &&
                    args[i].indexOf(u'=') == args[i].size() - value.size() - 1;
        FUZZ_CHECK(found);
    }
    return 0;
}
