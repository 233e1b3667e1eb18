#include "main_form.h"

#include "config_access.h"
#include "dimm_decoder.h"
#include "field_values.h"
#include "field_map.h"
#include "form_face.h"
#include "help_texts.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace {

// Counts how deep refreshes nest inside one another.
struct NestingScope {
    NestingScope(int& depth, int& deepest) : depth_(depth) { deepest = std::max(deepest, ++depth_); }
    ~NestingScope() { --depth_; }
    int& depth_;
};

}  // namespace

TMForm::TMForm(ConfigAccess& access, FormFace& face) : ControlSet(face), access_(access), face_(face)
{
    ConnectEvents();
}

void TMForm::ConnectEvents()
{
    const auto on = [this](void (TMForm::*handler)()) { return [this, handler] { (this->*handler)(); }; };
    iRefreshTmr.OnTimer = on(&TMForm::iRefreshTmrTimer);
    PageCtrl.OnChange = on(&TMForm::PageCtrlChange);
    RefreshBar.OnChange = on(&TMForm::RefreshBarChange);
    AMTT.OnChange = on(&TMForm::AMTTChange);
    LPTT.OnChange = on(&TMForm::LPTTChange);

    AGP4XOVRcb.OnClick = on(&TMForm::AGP4XOVRcbClick);
    AGPSBAcb.OnClick = on(&TMForm::AGPSBAcbClick);
    AGPFWcb.OnClick = on(&TMForm::AGPFWcbClick);
    CLTcb.OnClick = on(&TMForm::CLTcbClick);
    BNRcb.OnClick = on(&TMForm::BNRcbClick);
    CPCcb.OnClick = on(&TMForm::CPCcbClick);
    SMcb.OnClick = on(&TMForm::SMcbClick);
    THRLOCKcb.OnClick = on(&TMForm::THRLOCKcbClick);
    HACQScb.OnClick = on(&TMForm::HACQScbClick);
    TDLLEcb.OnClick = on(&TMForm::TDLLEcbClick);

    CASgr.OnClick = on(&TMForm::CASgrClick);
    RAS2CASgr.OnClick = on(&TMForm::RAS2CASgrClick);
    RASgr.OnClick = on(&TMForm::RASgrClick);
    DCTgr.OnClick = on(&TMForm::DCTgrClick);

    AGPMODEcombo.OnChange = on(&TMForm::AGPMODEcomboChange);
    DPCPcombo.OnChange = on(&TMForm::DPCPcomboChange);
    MAGcombo.OnChange = on(&TMForm::MAGcomboChange);
    RDTHRcombo.OnChange = on(&TMForm::RDTHRcomboChange);
    WRTHRcombo.OnChange = on(&TMForm::WRTHRcomboChange);
    SMScombo.OnChange = on(&TMForm::SMScomboChange);
}

void TMForm::LoadLayout()
{
    face_.LoadLayout(*this);
    iRefreshTmr.SetRunning(true);
}

void TMForm::Construct()
{
    if (constructed_)
        throw std::logic_error("The main window is constructed once");
    constructed_ = true;

    LoadLayout();
    access_.SavePorts();

    if (access_.Read(Fields::Identity.dword) != HostBridgeId) {
        // From here on no configuration access at all: no tick, no refresh, no port restore.
        identityRefused_ = true;
        iRefreshTmr.SetRunning(false);
        face_.ShowMessage(NotAnI815Message);
        return;
    }

    const uint32_t revision = FieldValue(Fields::Revision, access_.Read(Fields::Revision.dword));
    RevLbl.SetText(RevLbl.Text() + std::to_string(revision));

    const uint32_t gmchcfg = access_.Read(Fields::GfxMode.dword);
    const bool gfxMode = DecodeFlag(Fields::GfxMode, gmchcfg);
    const bool agpAt3v3 = !gfxMode && DecodeFlag(Fields::AgpSignalling, access_.Read(Fields::AgpSignalling.dword));
    Rmode.SetText(ModeText(gfxMode, agpAt3v3));
    if (gfxMode)
        face_.ShowMessage(GfxModeWarning);
    if (agpAt3v3)
        AGP4XOVRcb.SetEnabled(false);  // AGP 4X needs 1.5 V signalling

    SMFSLbl.SetText(MemoryClockText(DecodeFlag(Fields::MemoryFrequency, gmchcfg)));

    for (const HintText& hint : ConstructionHints())
        Find(hint.control)->SetHint(hint.text);

    FillAboutBox(gmchcfg);

    PageCtrl.SetActivePage(0);  // the About page; it already shows, so nothing changes
    RefreshBar.SetPosition(2000);
    RefreshBarChange();
    face_.SetHintDisplayTime(60000);
    RefreshControls();
}

// The welcome text, then the three DIMM descriptions. The whole text goes in at once, which
// leaves the box as piece-by-piece replacing would (the caret at the top, nothing scrolled)
// without laying the text out seven times at start.
void TMForm::FillAboutBox(uint32_t gmchcfg)
{
    const auto describe = [](const Field& dimm, uint32_t dword) { return DescribeDimm(FieldValue(dimm, dword)); };
    std::string text = WelcomeText();
    text += "\n\nDIMM 0 Population:\n" + describe(Fields::Dimm0Population, gmchcfg);
    text += "\nDIMM 1 Population:\n" + describe(Fields::Dimm1Population, gmchcfg);
    text += "\nDIMM 2 Population:\n" +
            describe(Fields::Dimm2Population, access_.Read(Fields::Dimm2Population.dword));
    AboutRC.SetText(text);
}

// A check box, radio group or track bar that changes here raises its handler at once, which
// writes the value just read back and starts a nested refresh; the chain ends when no control
// differs any more. Lists raise nothing when the program sets them.
void TMForm::RefreshControls()
{
    if (ChipClosed())
        return;
    const NestingScope scope(refreshNesting_, deepestRefreshNesting_);
    using namespace Fields;
    const uint32_t agp4x = access_.Read(AGP4XOVR.dword);
    const uint32_t agpcmd = access_.Read(AGPMODE.dword);
    uint32_t miscc = access_.Read(THRLOCK.dword);
    uint32_t sm = access_.Read(TDLLE.dword);
    uint32_t gmchcfg = access_.Read(CLT.dword);

    HACQScb.SetChecked(DecodeFlag(HACQS, gmchcfg));
    CLTcb.SetChecked(DecodeFlag(CLT, gmchcfg));
    DPCPcombo.SetItemIndex(DecodeChoice(DPCP, gmchcfg));
    MAGcombo.SetItemIndex(DecodeChoice(MAG, gmchcfg));
    AGP4XOVRcb.SetChecked(DecodeFlag(AGP4XOVR, agp4x));
    AGPSBAcb.SetChecked(DecodeFlag(AGPSBA, agpcmd));
    AGPFWcb.SetChecked(DecodeFlag(AGPFW, agpcmd));
    const int agpMode = DecodeChoice(AGPMODE, agpcmd);
    if (agpMode != NoPosition) {
        AGPMODEcombo.SetItemIndex(agpMode);
    } else if (ReportIllegalAgpMode()) {
        // While the box was open, ticks (and other programs) may have changed the chip: the
        // rest of this level sets its controls from fresh values, or a control that differs
        // from an old one would write the old value back.
        miscc = access_.Read(THRLOCK.dword);
        sm = access_.Read(TDLLE.dword);
        gmchcfg = access_.Read(CLT.dword);
    }
    BNRcb.SetChecked(DecodeFlag(BNR, miscc));
    CPCcb.SetChecked(DecodeFlag(CPC, miscc));
    SMcb.SetChecked(DecodeFlag(SM, miscc));
    THRLOCKcb.SetChecked(DecodeFlag(THRLOCK, miscc));
    RDTHRcombo.SetItemIndex(DecodeChoice(RDTHR, miscc));
    WRTHRcombo.SetItemIndex(DecodeChoice(WRTHR, miscc));
    TDLLEcb.SetChecked(DecodeFlag(TDLLE, sm));
    CASgr.SetItemIndex(DecodeChoice(CAS, gmchcfg));
    RAS2CASgr.SetItemIndex(DecodeChoice(RAS2CAS, gmchcfg));
    RASgr.SetItemIndex(DecodeChoice(RAS, gmchcfg));
    DCTgr.SetItemIndex(DecodeChoice(DCT, gmchcfg));
    SMScombo.SetItemIndex(DecodeChoice(SMS, gmchcfg));

    const unsigned amtt = DecodeNumber(Fields::AMTT, access_.Read(Fields::AMTT.dword));
    AMTT.SetPosition(int(amtt));
    AMTTv.SetText(std::to_string(amtt));
    const unsigned lptt = DecodeNumber(Fields::LPTT, access_.Read(Fields::LPTT.dword));
    LPTT.SetPosition(int(lptt));
    LPTTv.SetText(std::to_string(lptt));
}

// The list keeps its position. While the message is open (a tick during the box), a refresh
// that finds the mode still illegal does not open a second box; it refreshes the rest.
bool TMForm::ReportIllegalAgpMode()
{
    if (agpModeMessageOpen_)
        return false;
    agpModeMessageOpen_ = true;
    try {
        face_.ShowMessage(IllegalAgpModeMessage);
    } catch (...) {
        agpModeMessageOpen_ = false;
        throw;
    }
    agpModeMessageOpen_ = false;
    return true;
}

// A write that the way to the chip refuses (the helper's answer to a member who chose a value
// with a warning) changes nothing: the controls show the chip's values again before the
// refusal, which says why and who may, is shown. A failure to reach the chip is left as it is.
void TMForm::Modify(uint32_t offset, uint32_t mask, uint32_t bits)
{
    try {
        access_.Modify(offset, mask, bits);
    } catch (const std::logic_error&) {
        RefreshControls();
        throw;
    }
}

void TMForm::SetConfigBits(uint32_t offset, uint32_t mask, bool set)
{
    if (ChipClosed())
        return;
    Modify(offset, mask, set ? mask : 0);
    RefreshControls();
}

// One-bit fields through SetConfigBits (which refreshes); the others by one read-modify-write
// of their dword, without the refresh, which the handler adds.
void TMForm::WriteField(const Field& field, int state)
{
    if (IsSingleBit(field))
        return SetConfigBits(field.dword, FieldMask(field), SingleBitState(state));
    if (ChipClosed())
        return;
    const FieldWrite write = EncodeFieldWrite(field, state);
    Modify(field.dword, write.mask, write.bits);
}

void TMForm::AGP4XOVRcbClick() { WriteField(Fields::AGP4XOVR, AGP4XOVRcb.Checked()); }
void TMForm::AGPSBAcbClick() { WriteField(Fields::AGPSBA, AGPSBAcb.Checked()); }
void TMForm::AGPFWcbClick() { WriteField(Fields::AGPFW, AGPFWcb.Checked()); }
void TMForm::CLTcbClick() { WriteField(Fields::CLT, CLTcb.Checked()); }
void TMForm::DPCPcomboChange() { WriteField(Fields::DPCP, DPCPcombo.ItemIndex()); }
void TMForm::MAGcomboChange() { WriteField(Fields::MAG, MAGcombo.ItemIndex()); }
void TMForm::BNRcbClick() { WriteField(Fields::BNR, BNRcb.Checked()); }
void TMForm::CPCcbClick() { WriteField(Fields::CPC, CPCcb.Checked()); }
void TMForm::SMcbClick() { WriteField(Fields::SM, SMcb.Checked()); }
void TMForm::THRLOCKcbClick() { WriteField(Fields::THRLOCK, THRLOCKcb.Checked()); }
void TMForm::CASgrClick() { WriteField(Fields::CAS, CASgr.ItemIndex()); }
void TMForm::RAS2CASgrClick() { WriteField(Fields::RAS2CAS, RAS2CASgr.ItemIndex()); }
void TMForm::RASgrClick() { WriteField(Fields::RAS, RASgr.ItemIndex()); }
void TMForm::DCTgrClick() { WriteField(Fields::DCT, DCTgr.ItemIndex()); }
void TMForm::HACQScbClick() { WriteField(Fields::HACQS, HACQScb.Checked()); }
void TMForm::TDLLEcbClick() { WriteField(Fields::TDLLE, TDLLEcb.Checked()); }

void TMForm::AGPMODEcomboChange()
{
    WriteField(Fields::AGPMODE, AGPMODEcombo.ItemIndex());
    RefreshControls();
}

void TMForm::AMTTChange()
{
    WriteField(Fields::AMTT, AMTT.Position());
    RefreshControls();
}

void TMForm::LPTTChange()
{
    WriteField(Fields::LPTT, LPTT.Position());
    RefreshControls();
}

void TMForm::RDTHRcomboChange()
{
    WriteField(Fields::RDTHR, RDTHRcombo.ItemIndex());
    RefreshControls();
}

void TMForm::WRTHRcomboChange()
{
    WriteField(Fields::WRTHR, WRTHRcombo.ItemIndex());
    RefreshControls();
}

// The only write without a refresh: the next tick or page change shows the result.
void TMForm::SMScomboChange() { WriteField(Fields::SMS, SMScombo.ItemIndex()); }

// The timer restarts only for a period it does not run already.
void TMForm::RefreshBarChange()
{
    iRefreshTmr.SetInterval(RefreshBar.Position());
    RfLabel.SetText(std::to_string(RefreshBar.Position()) + " ms");
}

void TMForm::iRefreshTmrTimer() { RefreshControls(); }

void TMForm::PageCtrlChange() { RefreshControls(); }

void TMForm::FormClose()
{
    if (!constructed_ || ChipClosed())
        return;
    iRefreshTmr.SetRunning(false);
    access_.RestorePorts();
    portsRestored_ = true;  // the last configuration access of the run
}
