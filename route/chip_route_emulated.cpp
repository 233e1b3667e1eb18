// The emulated route and the save of the emulated chip: the same on every system.
#include "chip_route.h"

#include "config_lock.h"
#include "dump_file.h"
#include "mechanism1_access.h"
#include "port_access.h"
#include "register_dump.h"
#include "whole_file.h"

ChipRoute::~ChipRoute() = default;

void ChipRoute::SaveEmulated()
{
    if (!chip_ || !save_)
        return;
    const bool ontoItsDump = dump_ && dump_->IsFile(*save_);
    WriteWholeFile(*save_, ontoItsDump ? SpliceRegisterDump(dump_->text(), chip_->Space(), dump_->path())
                                       : FormatRegisterDump(chip_->Space()));
}

std::unique_ptr<ChipRoute> ChipRoute::OpenEmulated(const RouteChoice& choice)
{
    auto route = std::unique_ptr<ChipRoute>(new ChipRoute);
    ConfigSpace image = EmulatedI815::DefaultImage();
    if (choice.dumpText) {
        image = ParseRegisterDump(*choice.dumpText, "(standard input)");
    } else if (choice.dump) {
        const bool savedOnto = choice.save && NamesOneFile(*choice.dump, *choice.save);
        route->dump_ = std::make_unique<DumpFile>(*choice.dump, savedOnto);
        image = ParseRegisterDump(route->dump_->text(), *choice.dump);
    }
    route->save_ = choice.save;
    route->chip_ = std::make_unique<EmulatedI815>(image);
    route->access_ = std::make_unique<Mechanism1Access>(*route->chip_);
    route->taken_ = RouteTaken::Emulated;
    return route;
}
