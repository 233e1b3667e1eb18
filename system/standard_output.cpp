#include "standard_output.h"

// The buffer's part, the same on every system; the constructor and Flush are each system's own.

namespace {

int FileBytesIndex()
{
    static const int index = std::ios_base::xalloc();
    return index;
}

}  // namespace

StandardOutput::int_type StandardOutput::overflow(int_type c)
{
    if (!Flush(true))
        return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int StandardOutput::sync() { return Flush() ? 0 : -1; }

StandardOutput::~StandardOutput() { Flush(); }

int StandardOutput::Finish()
{
    Flush();
    return error_;
}

std::ostream& AsFileBytes(std::ostream& out)
{
    out.flush();
    out.iword(FileBytesIndex()) = 1;
    return out;
}

bool CarriesFileBytes(std::ostream& out) { return out.iword(FileBytesIndex()) != 0; }
