#include "Unit1.h"

#include "auto_size_label.h"
#include "config_access.h"
#include "dimm_decoder.h"
#include "field_map.h"
#include "help_texts.h"
#include "hint_display.h"
#include "program_messages.h"
#include "radio_group.h"
#include "wrapping_tab_control.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QSlider>
#include <QTimer>

#include <algorithm>

TMForm* MForm = nullptr;

namespace {

const char NotAnI815Message[] = "Not an i815 Chipset.";
const char GfxModeWarning[] = "Warning: your i815 chipset is running in GFX mode.\n"
                              "(The chipset uses its internal graphic device)\n"
                              "Some tweaks may work unreliably !!!\n";
const char IllegalAgpModeMessage[] = "AGP mode is set to an illegal value.";

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

// Counts how deep refreshes nest inside one another.
struct NestingScope {
    NestingScope(int& depth, int& deepest) : depth_(depth)
    {
        deepest = std::max(deepest, ++depth_);
    }
    ~NestingScope() { --depth_; }
    int& depth_;
};

}  // namespace

TMForm::TMForm(QWidget* parent) : QWidget(parent)
{
    MForm = this;
    try {
        Construct();
    } catch (...) {
        MForm = nullptr;  // the window never came to be
        throw;
    }
}

void TMForm::Construct()
{
    LoadLayout();
    SaveConfigPorts();

    if (ReadConfig(Fields::Identity.dword) != HostBridgeId) {
        // From here on no configuration access at all: no tick, no refresh, no port restore.
        identityRefused_ = true;
        iRefreshTmr->stop();
        ShowProgramMessage(NotAnI815Message);
        return;
    }

    const uint32_t revision = FieldValue(Fields::Revision, ReadConfig(Fields::Revision.dword));
    RevLbl->setText(RevLbl->text() + QString::number(revision));

    const uint32_t gmchcfg = ReadConfig(Fields::GfxMode.dword);
    if (DecodeFlag(Fields::GfxMode, gmchcfg)) {
        Rmode->setText(Text("GFX mode"));
        ShowProgramMessage(GfxModeWarning);
    } else if (DecodeFlag(Fields::AgpSignalling, ReadConfig(Fields::AgpSignalling.dword))) {
        Rmode->setText(Text("AGP mode 3.3V"));
        AGP4XOVRcb->setEnabled(false);  // AGP 4X needs 1.5 V signalling
    } else {
        Rmode->setText(Text("AGP mode 1.5V"));
    }

    SMFSLbl->setText(DecodeFlag(Fields::MemoryFrequency, gmchcfg) ? Text("133 Mhz Operation")
                                                                  : Text("100 Mhz Operation"));

    for (const HintText& hint : ConstructionHints())
        findChild<QWidget*>(Text(hint.control))->setToolTip(hint.text);

    FillAboutBox(gmchcfg);

    PageCtrl->setCurrentIndex(PageCtrl->indexOf(AboutSheet));
    RefreshBar->setValue(2000);
    RefreshBarChange();
    HintDisplay::Instance().setHidePause(60000);
    RefreshControls();
}

// The welcome text, then the three DIMM descriptions. The whole text goes in at once, which
// leaves the box as piece-by-piece replacing would (the caret at the top, nothing scrolled)
// without laying the text out seven times at start.
void TMForm::FillAboutBox(uint32_t gmchcfg)
{
    const auto describe = [](const Field& dimm, uint32_t dword) {
        return QString::fromStdString(DescribeDimm(FieldValue(dimm, dword)));
    };
    QString text = WelcomeText();
    text += Text("\n\nDIMM 0 Population:\n") + describe(Fields::Dimm0Population, gmchcfg);
    text += Text("\nDIMM 1 Population:\n") + describe(Fields::Dimm1Population, gmchcfg);
    text += Text("\nDIMM 2 Population:\n") +
            describe(Fields::Dimm2Population, ReadConfig(Fields::Dimm2Population.dword));
    AboutRC->setPlainText(text);
}

TMForm::~TMForm()
{
    if (MForm == this)
        MForm = nullptr;
}

void TMForm::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}

// Reads every tunable register and sets every control from it. A check box, radio group or
// track bar that changes here raises its handler at once, which writes the value just read back
// and starts a nested refresh; the chain ends when no control differs any more.
void TMForm::RefreshControls()
{
    const NestingScope scope(refreshNesting_, deepestRefreshNesting_);
    using namespace Fields;
    const uint32_t agp4x = ReadConfig(AGP4XOVR.dword);
    const uint32_t agpcmd = ReadConfig(AGPMODE.dword);
    const uint32_t miscc = ReadConfig(THRLOCK.dword);
    const uint32_t sm = ReadConfig(TDLLE.dword);
    const uint32_t gmchcfg = ReadConfig(CLT.dword);

    HACQScb->setChecked(DecodeFlag(HACQS, gmchcfg));
    CLTcb->setChecked(DecodeFlag(CLT, gmchcfg));
    ShowListPosition(DPCPcombo, DecodeChoice(DPCP, gmchcfg));
    ShowListPosition(MAGcombo, DecodeChoice(MAG, gmchcfg));
    AGP4XOVRcb->setChecked(DecodeFlag(AGP4XOVR, agp4x));
    AGPSBAcb->setChecked(DecodeFlag(AGPSBA, agpcmd));
    AGPFWcb->setChecked(DecodeFlag(AGPFW, agpcmd));
    const int agpMode = DecodeChoice(AGPMODE, agpcmd);
    if (agpMode == NoPosition)
        ReportIllegalAgpMode();
    else
        ShowListPosition(AGPMODEcombo, agpMode);
    BNRcb->setChecked(DecodeFlag(BNR, miscc));
    CPCcb->setChecked(DecodeFlag(CPC, miscc));
    SMcb->setChecked(DecodeFlag(SM, miscc));
    THRLOCKcb->setChecked(DecodeFlag(THRLOCK, miscc));
    ShowListPosition(RDTHRcombo, DecodeChoice(RDTHR, miscc));
    ShowListPosition(WRTHRcombo, DecodeChoice(WRTHR, miscc));
    TDLLEcb->setChecked(DecodeFlag(TDLLE, sm));
    CASgr->setItemIndex(DecodeChoice(CAS, gmchcfg));
    RAS2CASgr->setItemIndex(DecodeChoice(RAS2CAS, gmchcfg));
    RASgr->setItemIndex(DecodeChoice(RAS, gmchcfg));
    DCTgr->setItemIndex(DecodeChoice(DCT, gmchcfg));
    ShowListPosition(SMScombo, DecodeChoice(SMS, gmchcfg));

    const unsigned amtt = DecodeNumber(Fields::AMTT, ReadConfig(Fields::AMTT.dword));
    AMTT->setValue(int(amtt));
    AMTTv->setText(QString::number(amtt));
    const unsigned lptt = DecodeNumber(Fields::LPTT, ReadConfig(Fields::LPTT.dword));
    LPTT->setValue(int(lptt));
    LPTTv->setText(QString::number(lptt));
}

void TMForm::ShowListPosition(QComboBox* list, int position)
{
    list->setCurrentIndex(position);
    listPositions_[list] = position;
}

// A user's pick by mouse, wheel or arrow key; the item the list shows already is no change.
void TMForm::ConnectList(QComboBox* list, void (TMForm::*handler)())
{
    connect(list, qOverload<int>(&QComboBox::activated), this, [this, list, handler](int position) {
        const auto shown = listPositions_.find(list);
        if (shown != listPositions_.end() && shown->second == position)
            return;
        listPositions_[list] = position;
        (this->*handler)();
    });
}

// The list keeps its position. While the message is open (a tick during the box), a refresh
// that finds the mode still illegal does not open a second box; it refreshes the rest.
void TMForm::ReportIllegalAgpMode()
{
    if (agpModeMessageOpen_)
        return;
    agpModeMessageOpen_ = true;
    try {
        ShowProgramMessage(Text(IllegalAgpModeMessage));
    } catch (...) {
        agpModeMessageOpen_ = false;
        throw;
    }
    agpModeMessageOpen_ = false;
}

// Writes one field from a control state: one-bit fields through SetConfigBits (which
// refreshes), the others by one read-modify-write of the whole dword.
void TMForm::WriteField(const Field& field, int state, bool refresh)
{
    if (IsSingleBit(field)) {
        SetConfigBits(field.dword, FieldMask(field), SingleBitState(state));
        return;
    }
    const FieldWrite write = EncodeFieldWrite(field, state);
    CurrentConfigAccess().Modify(field.dword, write.mask, write.bits);
    if (refresh)
        RefreshControls();
}

void TMForm::AGP4XOVRcbClick() { WriteField(Fields::AGP4XOVR, AGP4XOVRcb->isChecked()); }
void TMForm::AGPSBAcbClick() { WriteField(Fields::AGPSBA, AGPSBAcb->isChecked()); }
void TMForm::AGPFWcbClick() { WriteField(Fields::AGPFW, AGPFWcb->isChecked()); }
void TMForm::AGPMODEcomboChange() { WriteField(Fields::AGPMODE, AGPMODEcombo->currentIndex()); }
void TMForm::AMTTChange() { WriteField(Fields::AMTT, AMTT->value()); }
void TMForm::LPTTChange() { WriteField(Fields::LPTT, LPTT->value()); }
void TMForm::CLTcbClick() { WriteField(Fields::CLT, CLTcb->isChecked()); }
void TMForm::DPCPcomboChange() { WriteField(Fields::DPCP, DPCPcombo->currentIndex()); }
void TMForm::MAGcomboChange() { WriteField(Fields::MAG, MAGcombo->currentIndex()); }
void TMForm::BNRcbClick() { WriteField(Fields::BNR, BNRcb->isChecked()); }
void TMForm::CPCcbClick() { WriteField(Fields::CPC, CPCcb->isChecked()); }
void TMForm::SMcbClick() { WriteField(Fields::SM, SMcb->isChecked()); }
void TMForm::THRLOCKcbClick() { WriteField(Fields::THRLOCK, THRLOCKcb->isChecked()); }
void TMForm::RDTHRcomboChange() { WriteField(Fields::RDTHR, RDTHRcombo->currentIndex()); }
void TMForm::WRTHRcomboChange() { WriteField(Fields::WRTHR, WRTHRcombo->currentIndex()); }
void TMForm::CASgrClick() { WriteField(Fields::CAS, CASgr->itemIndex()); }
void TMForm::RAS2CASgrClick() { WriteField(Fields::RAS2CAS, RAS2CASgr->itemIndex()); }
void TMForm::RASgrClick() { WriteField(Fields::RAS, RASgr->itemIndex()); }
void TMForm::DCTgrClick() { WriteField(Fields::DCT, DCTgr->itemIndex()); }
// The only write without a refresh: the next tick or page change shows the result.
void TMForm::SMScomboChange() { WriteField(Fields::SMS, SMScombo->currentIndex(), false); }
void TMForm::HACQScbClick() { WriteField(Fields::HACQS, HACQScb->isChecked()); }
void TMForm::TDLLEcbClick() { WriteField(Fields::TDLLE, TDLLEcb->isChecked()); }

void TMForm::RefreshBarChange()
{
    const int period = RefreshBar->value();
    // QTimer::setInterval restarts a running timer even for the same period; the period that
    // is running must go on undisturbed then.
    if (iRefreshTmr->interval() != period)
        iRefreshTmr->setInterval(period);
    RfLabel->setText(QString::number(period) + Text(" ms"));
}

void TMForm::iRefreshTmrTimer()
{
    if (identityRefused_ || portsRestored_)
        return;
    RefreshControls();
}

void TMForm::PageCtrlChange() { RefreshControls(); }

void TMForm::FormClose()
{
    if (identityRefused_ || portsRestored_)
        return;
    iRefreshTmr->stop();
    RestoreConfigPorts();
    portsRestored_ = true;  // the last configuration access of the run
}
