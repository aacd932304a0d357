// The settings record read from any bytes, as the windows read "初期設定.ini": its fields, the
// folder to start in and the slide show's time. A record read back from what it writes is the
// same record.
#include "harness.h"
#include "shell/settings.h"

using namespace vu;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const SettingsRec rec = SettingsRec::fromBytes(fuzz::bytes(data, size));
    for (int f = 0; f < SettingsRec::FieldCount; ++f)
        fuzz::require(rec.field(SettingsRec::Field(f)).size() == SettingsRec::Width[f], "a field has its width");
    const QString folder = startFolder(rec);
    fuzz::require(!folder.isEmpty(), "there is a folder to start in");
    const int seconds = slideSeconds(rec);
    fuzz::require(seconds >= 0 && seconds <= 9, "the display time is one digit");
    const QByteArray bytes = rec.toBytes();
    fuzz::require(bytes.size() == SettingsRec::Size, "the record written has its size");
    const SettingsRec again = SettingsRec::fromBytes(bytes);
    fuzz::require(again.toBytes() == bytes, "a record written and read again writes the same bytes");
    return 0;
}
