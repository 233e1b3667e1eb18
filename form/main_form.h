#pragma once
// The main window's logic without a toolkit: every control as a named member, one handler
// per control event, the refresh cycle, the construction and the close. A front-end (FormFace)
// draws the controls and reports the user's actions; this class decides what reaches the chip.

#include "controls.h"

#include <cstdint>

class ConfigAccess;
class FormFace;
struct Field;

class TMForm : private ControlSet {
public:
    // Every control as the layout leaves it; nothing is drawn and the chip is not touched yet.
    TMForm(ConfigAccess& access, FormFace& face);

    // The construction, once: the layout is loaded (drawn), the ports saved, the identity
    // checked, the status shown, the hints assigned, the About box filled, and the first
    // refresh run. Message boxes open in between; the timer already ticks during them.
    void Construct();

    using ControlSet::All;
    using ControlSet::Find;

    Timer iRefreshTmr{*this, "iRefreshTmr"};
    PageControl PageCtrl{*this, "PageCtrl"};
    Control AboutSheet{*this, "AboutSheet"};
    Control AGPSTATTab{*this, "AGPSTATTab"};
    Control ChipsetSheet{*this, "ChipsetSheet"};
    Control MemSheet{*this, "MemSheet"};

    // About.
    Control ProdLbl{*this, "ProdLbl"};
    Control RevLbl{*this, "RevLbl"};
    Control Label1{*this, "Label1"};
    Control Rmode{*this, "Rmode"};
    Control FBLabel{*this, "FBLabel"};
    Control SMFSLbl{*this, "SMFSLbl"};
    Control Bevel2{*this, "Bevel2"};
    Control AboutRC{*this, "AboutRC"};
    Control Label10{*this, "Label10"};
    TrackBar RefreshBar{*this, "RefreshBar"};
    Control RfLabel{*this, "RfLabel"};

    // AGP configuration.
    CheckBox AGP4XOVRcb{*this, "AGP4XOVRcb"};
    Control GroupBox3{*this, "GroupBox3"};
    Control Label5{*this, "Label5"};
    Control AMTTv{*this, "AMTTv"};
    TrackBar AMTT{*this, "AMTT"};
    Control LPTTv{*this, "LPTTv"};
    TrackBar LPTT{*this, "LPTT"};
    Control Label6{*this, "Label6"};
    Control GroupBox1{*this, "GroupBox1"};
    Control Label2{*this, "Label2"};
    CheckBox AGPSBAcb{*this, "AGPSBAcb"};
    CheckBox AGPFWcb{*this, "AGPFWcb"};
    DropDownList AGPMODEcombo{*this, "AGPMODEcombo"};

    // Chipset configuration.
    Control GroupBox6{*this, "GroupBox6"};
    CheckBox CLTcb{*this, "CLTcb"};
    Control Label8{*this, "Label8"};
    DropDownList DPCPcombo{*this, "DPCPcombo"};
    Control Label9{*this, "Label9"};
    DropDownList MAGcombo{*this, "MAGcombo"};
    Control GroupBox4{*this, "GroupBox4"};
    CheckBox BNRcb{*this, "BNRcb"};
    CheckBox CPCcb{*this, "CPCcb"};
    CheckBox SMcb{*this, "SMcb"};
    CheckBox THRLOCKcb{*this, "THRLOCKcb"};
    Control Label3{*this, "Label3"};
    DropDownList RDTHRcombo{*this, "RDTHRcombo"};
    Control Label4{*this, "Label4"};
    DropDownList WRTHRcombo{*this, "WRTHRcombo"};

    // Memory configuration.
    Control GroupBox2{*this, "GroupBox2"};
    RadioGroup CASgr{*this, "CASgr"};
    RadioGroup RAS2CASgr{*this, "RAS2CASgr"};
    RadioGroup RASgr{*this, "RASgr"};
    RadioGroup DCTgr{*this, "DCTgr"};
    Control Label7{*this, "Label7"};
    DropDownList SMScombo{*this, "SMScombo"};
    CheckBox HACQScb{*this, "HACQScb"};
    Control GroupBox5{*this, "GroupBox5"};
    CheckBox TDLLEcb{*this, "TDLLEcb"};

    // Reads every tunable register and sets every control from it.
    void RefreshControls();
    // Read-modify-write of the bits of mask in one dword, then a refresh.
    void SetConfigBits(uint32_t offset, uint32_t mask, bool set);

    // True when the host bridge was not an i815: the window must not be shown.
    bool identityRefused() const { return identityRefused_; }
    // How deep refreshes have nested inside one another during this run (1: never nested).
    int deepestRefreshNesting() const { return deepestRefreshNesting_; }

    // Handlers, one per control event.
    void AGP4XOVRcbClick();
    void AGPSBAcbClick();
    void AGPFWcbClick();
    void AGPMODEcomboChange();
    void AMTTChange();
    void LPTTChange();
    void CLTcbClick();
    void DPCPcomboChange();
    void MAGcomboChange();
    void BNRcbClick();
    void CPCcbClick();
    void SMcbClick();
    void THRLOCKcbClick();
    void RDTHRcomboChange();
    void WRTHRcomboChange();
    void CASgrClick();
    void RAS2CASgrClick();
    void RASgrClick();
    void DCTgrClick();
    void SMScomboChange();
    void HACQScbClick();
    void TDLLEcbClick();
    void RefreshBarChange();
    void iRefreshTmrTimer();
    void PageCtrlChange();
    // The window's close: the address port as it was found; the last configuration access.
    void FormClose();

private:
    void LoadLayout();
    void ConnectEvents();
    void FillAboutBox(uint32_t gmchcfg);
    bool ReportIllegalAgpMode();  // false: the box is open already
    void WriteField(const Field& field, int state);
    void Modify(uint32_t offset, uint32_t mask, uint32_t bits);
    // After the failed identity check and after the close, the chip is not touched again.
    bool ChipClosed() const { return identityRefused_ || portsRestored_; }

    ConfigAccess& access_;
    FormFace& face_;
    bool constructed_ = false;
    bool identityRefused_ = false;
    bool portsRestored_ = false;
    bool agpModeMessageOpen_ = false;
    int refreshNesting_ = 0;
    int deepestRefreshNesting_ = 0;
};
