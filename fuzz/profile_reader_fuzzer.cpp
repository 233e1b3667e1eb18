// The profile reader on any bytes: settings or a CtlError of status 2 naming lines; every
// setting it accepts is one that the field table has, with a legal value.
#include "ctl_error.h"
#include "field_map.h"
#include "profile.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        const Profile profile = ParseProfile(std::string(reinterpret_cast<const char*>(data), size), "fuzz");
        for (const FieldSetting& setting : profile.settings) {
            if (!FindTunableField(FieldKey(*setting.field)))
                std::abort();
            const int count = setting.field->kind == FieldKind::Flag     ? 2
                              : setting.field->kind == FieldKind::Number ? 256
                                                                         : int(setting.field->texts.size());
            if (setting.state < 0 || setting.state >= count)
                std::abort();
        }
    } catch (const CtlError& error) {
        if (error.status() != CtlBadInput)
            std::abort();
    }
    return 0;
}
