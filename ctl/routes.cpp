#include "routes.h"

#include "access_refused.h"
#include "dump_file.h"
#include "exit_status.h"
#include "register_dump.h"

Route::Route(std::unique_ptr<ChipRoute> route) : route_(std::move(route))
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

std::unique_ptr<Route> OpenRoute(const RouteChoice& choice, bool forWriting, const CtlSystem& system)
{
    try {
        return std::make_unique<Route>(OpenChipRoute(choice, {forWriting, false}, system));
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
