// The profile reader on any bytes: settings or a StatusError of status 2 naming lines; every
// setting it accepts is one that the field table has, with a value that the chip holds and
// that reads back as the same setting.
#include "exit_status.h"
#include "field_map.h"
#include "field_values.h"
#include "profile.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        const Profile profile = ParseProfile(std::string(reinterpret_cast<const char*>(data), size), "fuzz");
        for (const FieldSetting& setting : profile.settings) {
            const Field& field = *setting.field;
            if (FieldForKey(FieldKey(field)) != &field || setting.state < 0)
                std::abort();
            const FieldWrite write = EncodeFieldWrite(field, setting.state);
            if (!IsLegalValue(field, FieldValue(field, write.bits)) || FieldState(field, write.bits) != setting.state)
                std::abort();
        }
    } catch (const StatusError& error) {
        if (error.status() != ExitBadInput)
            std::abort();
    }
    return 0;
}
