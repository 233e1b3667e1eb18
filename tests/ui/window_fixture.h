#pragma once
// A TMForm on a fresh emulated i815, with the program's message boxes replaced by a record.

#include "../support/emulated_chip_fixture.h"
#include "Unit1.h"
#include "program_messages.h"

#include <QStringList>

#include <memory>

class WindowTest : public EmulatedChipTest {
protected:
    void SetUp() override
    {
        EmulatedChipTest::SetUp();
        SetProgramMessageHandler([this](const QString& text) {
            messages << text;
            if (onMessage)
                onMessage(text);
        });
    }

    void TearDown() override
    {
        form.reset();
        SetProgramMessageHandler(nullptr);
        EmulatedChipTest::TearDown();
    }

    TMForm& Open()
    {
        form = std::make_unique<TMForm>();
        return *form;
    }

    // Port operations that wrote a configuration dword: (offset, value) pairs.
    std::vector<std::pair<uint32_t, uint32_t>> ConfigWrites() const
    {
        std::vector<std::pair<uint32_t, uint32_t>> writes;
        uint32_t address = 0;
        for (const PortOperation& op : chip.Trace()) {
            if (op.direction != PortOperation::Out)
                continue;
            if (op.port == ConfigAddressPort)
                address = op.value;
            else if (op.port == ConfigDataPort)
                writes.emplace_back(address & 0xFF, op.value);
        }
        return writes;
    }

    size_t ReadsOf(uint32_t offset) const { return ReadsOf(offset, chip.Trace()); }
    static size_t ReadsOf(uint32_t offset, const std::vector<PortOperation>& trace)
    {
        size_t reads = 0;
        for (size_t i = 0; i + 1 < trace.size(); ++i)
            reads += trace[i] == Out(ConfigAddressPort, 0x80000000 | offset) &&
                     trace[i + 1].direction == PortOperation::In;
        return reads;
    }

    std::unique_ptr<TMForm> form;
    QStringList messages;
    std::function<void(const QString&)> onMessage;
};
