#include "routes.h"

#include "access_refused.h"
#include "dump_file.h"
#include "exit_status.h"
#include "register_dump.h"

Route::Route(std::unique_ptr<ChipRoute> route, bool saveOnOutput)
    : route_(std::move(route)), saveOnOutput_(saveOnOutput)
{
    if (route_->taken() == RouteTaken::Ports) {  // the other routes have no ports to keep
        route_->access().SavePorts();
        portsSaved_ = true;
    }
}

Route::~Route()
{
    if (portsSaved_) {
        try {
            route_->access().RestorePorts();
        } catch (const std::exception&) {
        }
    }
}

void Route::SaveEmulated(std::ostream& out)
{
    if (saveOnOutput_ && route_->emulated())
        out << FormatRegisterDump(route_->emulated()->Space());
    else
        route_->SaveEmulated();
}

std::unique_ptr<Route> OpenRoute(const RouteChoice& choice, bool forWriting, const CtlSystem& system)
{
    const bool saveOnOutput = choice.save && *choice.save == "-";
    RouteChoice opened = choice;
    if (saveOnOutput)
        opened.save.reset();
    try {
        return std::make_unique<Route>(OpenChipRoute(opened, {forWriting, false}, system), saveOnOutput);
    } catch (const DumpError& bad) {
        throw StatusError(ExitBadInput, bad.what());
    } catch (const DumpBusy& busy) {
        throw StatusError(ExitFailure, busy.what());
    } catch (const DumpInterrupted& interrupted) {
        throw StatusError(ExitFailure, interrupted.what());
    } catch (const AccessRefused& refused) {
        const std::string advice = AccessAdvice(refused.reason(), choice, system);
        throw StatusError(ExitFailure, refused.what() + (advice.empty() ? "" : "; " + advice));
    }
}
