#include "emulated_options.h"

#include "echoed_text.h"
#include "exit_status.h"

namespace {

const char Usage[] = "usage: i815quarvel-sim [--save FILE] [DUMP]\n"
                     "  DUMP         an `lspci -xxx` dump to start from (default: a built-in i815)\n"
                     "  --save FILE  write the emulated configuration space to FILE at the end\n"
                     "  --help       show this text\n"
                     "  --version    show the program's version\n";

EmulatedCommandLine Refused(const std::string& why)
{
    EmulatedCommandLine line;
    line.run = false;
    line.isError = true;
    line.text = "i815quarvel-sim: " + why + "\n" + Usage;
    line.status = ExitBadInput;
    return line;
}

EmulatedCommandLine Output(const std::string& text)
{
    EmulatedCommandLine line;
    line.run = false;
    line.text = text;
    return line;
}

}  // namespace

EmulatedCommandLine ParseEmulatedCommandLine(int argc, const char* const* argv, const std::string& version)
{
    EmulatedCommandLine line;
    EmulatedOptions& options = line.options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--save") {
            if (i + 1 >= argc || options.save)
                return Refused("--save needs one FILE");
            options.save = argv[++i];
        } else if (arg.rfind("--save=", 0) == 0 && !options.save && arg.size() > 7) {
            options.save = arg.substr(7);
        } else if (arg == "--help" || arg == "-h") {
            return Output(Usage);
        } else if (arg == "--version") {
            return Output("i815quarvel-sim (i815 Quarvel) " + version + "\n");
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Refused("unknown option " + Echoed(arg));
        } else if (!options.dump) {
            options.dump = arg;
        } else {
            return Refused("only one DUMP may be given");
        }
    }
    // To i815ctl "-" is standard output. A window's, where it has one at all (not on Windows), is
    // no place for a dump, and a file named "-" is not what was meant.
    if (options.save == "-")
        return Refused("--save -: the window writes its dump into a FILE, not onto standard output");
    return line;
}
