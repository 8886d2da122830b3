// The settings file reader and the saved appearance counts. First byte 0: the bytes are solvane.ini;
// every key of the table is read, a few raw values and quote rules taken, one key written and the file
// read back. First byte 1: the bytes are the saved "AppearanceRates.txt".
#include "FuzzSupport.h"

#include "app/SettingsFile.h"
#include "kaime/AppearanceRates.h"
#include "kaime/BakenType.h"

#include <string>
#include <variant>

namespace fs = std::filesystem;
using namespace solvane;

namespace {

void ReadAll(SettingsFile& settings)
{
    for (const AnyKey& key : AllSettingsKeys())
        std::visit([&](const auto& k) { (void)settings.get(k); }, key);
    for (const char* section : {"Dir", "Time", "KaimeSet", "JVLink", ""}) {
        if (const auto raw = settings.rawValue(section, "harunire"))
            (void)ApplyQuoteRule(*raw);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input in(data, size);
    const int what = in.byte() % 2;
    if (what == 1) {
        const auto counts = LoadAppearanceCounts(in.rest(), "fingerprint");
        if (counts) {
            for (int n = 1; n <= 18; n += 5)
                (void)AppearanceRateText(*counts, BakenType::SRT, 1, 1, n);
        }
        return 0;
    }
    const fs::path file = fuzz::ScratchFolder() / "solvane.ini";
    fuzz::WriteBytes(file, in.rest());
    SettingsFile settings(file, SettingsDefaults{fuzz::ScratchFolder(), "C:\\Windows"});
    ReadAll(settings);
    if (settings.readable()) {
        (void)settings.set(keys::Harunire, "C:\\harunire");
        (void)settings.writeInt("Time", "AutoOzGet", 15);
        SettingsFile again(file);
        ReadAll(again);
    }
    return 0;
}
