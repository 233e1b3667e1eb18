#include "Unit1.h"

#include "config_access.h"

void SetConfigBits(uint32_t offset, uint32_t mask, bool set)
{
    ModifyConfigBits(offset, mask, set);
    MForm->RefreshControls();
}
