// The preset file reader on any bytes.
#include "FuzzCommon.h"

#include "presets/DevicePresets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = FuzzBytes(data, size);

    const QString text = DecodePresetText(bytes);
    FUZZ_CHECK(text.isEmpty() || text.endsWith(QLatin1String("\r\n")));
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r')
            FUZZ_CHECK(i + 1 < text.size() && text[i + 1] == u'\n');
        if (text[i] == u'\n')
            FUZZ_CHECK(i > 0 && text[i - 1] == u'\r');
    }

    TDevicePresets presets;
    presets.LoadFromBytes(bytes);
    const int count = presets.Count();
    FUZZ_CHECK(count >= 0 && count <= text.count(QLatin1String("<device>")));
    FUZZ_CHECK(presets.Device(-1) == nullptr);
    FUZZ_CHECK(presets.Device(count) == nullptr);
    for (int i = 0; i < count; ++i) {
        const TDevPreset *p = presets.Device(i);
        FUZZ_CHECK(p != nullptr);
        FUZZ_CHECK(p->ID > 0);
        FUZZ_CHECK(p->idName == AsciiLowerCase(p->Name).remove(u' '));
        const TDevPreset *byId = presets.GetDeviceByID(p->ID);
        FUZZ_CHECK(byId != nullptr && byId->ID == p->ID && byId <= p);
        const int idByName = presets.GetDeviceIDByName(p->idName);
        FUZZ_CHECK(idByName > 0 && presets.GetDeviceByID(idByName) != nullptr);
    }
    FUZZ_CHECK(presets.GetDeviceByID(0) == nullptr);

    // A second load replaces the list rather than adding to it.
    presets.LoadFromBytes(bytes);
    FUZZ_CHECK(presets.Count() == count);
    presets.Clear();
    FUZZ_CHECK(presets.Count() == 0 && presets.Device(0) == nullptr);
    return 0;
}
