#include "input_text.h"

#include "exit_status.h"
#include "standard_output.h"

#include <cerrno>

std::string ReadInputText(std::istream& in, const std::string& source, size_t limit)
{
    std::string text;
    char buffer[8192];
    try {
        in.exceptions(std::ios_base::badbit);  // a read error is said with its reason, never taken for the end
        while (text.size() <= limit && in.read(buffer, sizeof buffer).gcount() > 0)
            text.append(buffer, size_t(in.gcount()));
    } catch (const InputReadError& failed) {
        if (failed.error() == EINTR)
            throw StatusError(ExitFailure, source + ": reading was interrupted by a signal");
        throw StatusError(ExitBadInput, source + ": cannot be read: " + failed.what());
    } catch (const std::ios_base::failure&) {
        throw StatusError(ExitBadInput, source + ": cannot be read");
    }
    return text;
}
