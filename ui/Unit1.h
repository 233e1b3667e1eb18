#pragma once
// The main window: four pages of controls, each showing one field of the i815 host bridge and
// writing it back the moment the user changes it.

#include <QWidget>

#include <cstdint>
#include <map>

class AutoSizeLabel;
struct Field;
class Bevel;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QPlainTextEdit;
class QSlider;
class QTimer;
class RadioGroup;
class WrappingTabControl;

class TMForm : public QWidget {
    Q_OBJECT
public:
    explicit TMForm(QWidget* parent = nullptr);
    ~TMForm() override;

    // The timer and its change handler.
    QTimer* iRefreshTmr;

    WrappingTabControl* PageCtrl;
    QWidget* AboutSheet;
    QWidget* AGPSTATTab;
    QWidget* ChipsetSheet;
    QWidget* MemSheet;

    // About.
    AutoSizeLabel* ProdLbl;
    AutoSizeLabel* RevLbl;
    AutoSizeLabel* Label1;
    AutoSizeLabel* Rmode;
    AutoSizeLabel* FBLabel;
    AutoSizeLabel* SMFSLbl;
    Bevel* Bevel2;
    QPlainTextEdit* AboutRC;
    AutoSizeLabel* Label10;
    QSlider* RefreshBar;
    AutoSizeLabel* RfLabel;

    // AGP configuration.
    QCheckBox* AGP4XOVRcb;
    QGroupBox* GroupBox3;
    AutoSizeLabel* Label5;
    AutoSizeLabel* AMTTv;
    QSlider* AMTT;
    AutoSizeLabel* LPTTv;
    QSlider* LPTT;
    AutoSizeLabel* Label6;
    QGroupBox* GroupBox1;
    AutoSizeLabel* Label2;
    QCheckBox* AGPSBAcb;
    QCheckBox* AGPFWcb;
    QComboBox* AGPMODEcombo;

    // Chipset configuration.
    QGroupBox* GroupBox6;
    QCheckBox* CLTcb;
    AutoSizeLabel* Label8;
    QComboBox* DPCPcombo;
    AutoSizeLabel* Label9;
    QComboBox* MAGcombo;
    QGroupBox* GroupBox4;
    QCheckBox* BNRcb;
    QCheckBox* CPCcb;
    QCheckBox* SMcb;
    QCheckBox* THRLOCKcb;
    AutoSizeLabel* Label3;
    QComboBox* RDTHRcombo;
    AutoSizeLabel* Label4;
    QComboBox* WRTHRcombo;

    // Memory configuration.
    QGroupBox* GroupBox2;
    RadioGroup* CASgr;
    RadioGroup* RAS2CASgr;
    RadioGroup* RASgr;
    RadioGroup* DCTgr;
    AutoSizeLabel* Label7;
    QComboBox* SMScombo;
    QCheckBox* HACQScb;
    QGroupBox* GroupBox5;
    QCheckBox* TDLLEcb;

    void RefreshControls();

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
    void FormClose();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Construct();
    void LoadLayout();
    void BuildAboutSheet();
    void BuildAgpSheet();
    void BuildChipsetSheet();
    void BuildMemSheet();
    void SetKeyboardOrder();
    void ConnectEvents();
    void FillAboutBox(uint32_t gmchcfg);
    void ReportIllegalAgpMode();
    void WriteField(const Field& field, int state, bool refresh = true);
    // Lists: what each shows, so that picking the item it shows already is no change.
    void ShowListPosition(QComboBox* list, int position);
    void ConnectList(QComboBox* list, void (TMForm::*handler)());

    std::map<const QComboBox*, int> listPositions_;
    bool identityRefused_ = false;
    bool portsRestored_ = false;
    bool agpModeMessageOpen_ = false;
    int refreshNesting_ = 0;
    int deepestRefreshNesting_ = 0;
};

// The one main window; designates it from before its construction begins.
extern TMForm* MForm;

// Read-modify-write of the bits of mask in one configuration dword, then a refresh of MForm.
void SetConfigBits(uint32_t offset, uint32_t mask, bool set);
