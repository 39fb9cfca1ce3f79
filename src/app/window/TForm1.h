// SPDX-License-Identifier: MIT
#pragma once

// The instrument's one window: the oscilloscope screen (the client area, drawn on directly
// through a framebuffer canvas), the readout and selector row at the top, the generator panels
// at the bottom, the menu bar, the audio stream components and every handler. It is a view of
// the instrument (`model`): handlers change the model, the window draws from it and keeps only
// its own drawing state. Every member lives on the UI thread; handlers are public so that tests
// call them directly.

#include "app/window/IdleCycle.h"
#include "audio/AudioIO.h"
#include "audio/AudioMixer.h"
#include "display/Canvas.h"
#include "display/Ranges.h"
#include "generator/Synthesis.h"
#include "instrument/Instrument.h"
#include "measure/LevelCalibration.h"
#include "platform/BufferMemory.h"
#include "platform/VolumeJournal.h"
#include "platform/VolumeService.h"
#include "platform/WaveService.h"

#include <QMainWindow>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

class QAction;
class QCloseEvent;
class QComboBox;
class QFrame;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QSlider;
class QSpinBox;
class QTimer;

namespace app {

class ClientArea;
class DoubleClickEdit;
class FramebufferCanvas;

// The platform services the window runs on; they must outlive the window.
struct FormServices {
    platform::WaveService& wave;
    platform::VolumeService& volume;
    platform::BufferMemory& memory;
    platform::MixerDevices& mixer;
    // Where the user's volumes are kept while the instrument holds them; none: in memory only.
    platform::VolumeJournal* volumeJournal = nullptr;
    // False: the window takes the volumes only at TakeUserVolumes(), which the program calls
    // once nothing can refuse the start any more.
    bool takeVolumesAtCreation = true;
};

// What the window does after its close handler (the handler may change it).
enum class TCloseAction { caNone, caHide, caFree, caMinimize };

class TForm1 : public QMainWindow {
public:
    // Builds the controls in their stored state, binds the handlers, then runs FormCreate;
    // `calibration` holds the card's level factors, which every start-up and "optimum" applies.
    explicit TForm1(const FormServices& services, QWidget* parent = nullptr,
                    measure::LevelCalibration calibration = {});
    ~TForm1() override;

    // ---- Window events, start-up and shutdown ----
    void FormCreate(QObject* Sender);
    void FormClose(QObject* Sender, TCloseAction& Action);
    void FormResize(QObject* Sender);
    // Reads the output volume of device 0 and then auxiliary devices 3, 2, 4, 1, 5 (index n
    // holds auxiliary device n).
    std::array<std::uint32_t, 6> ReadVolumes();
    // Reads the user's volumes (or those an ended instrument left in the journal), keeps them,
    // and sets the instrument's output level. A server that does not answer yet is asked again
    // every second while the window is open.
    void TakeUserVolumes();
    // Writes savedVolumes back in the same device order; names on standard error each one
    // the card did not take in time, else removes the journal. Nothing when start-up could
    // not read them.
    void RestoreVolumes();
    // The sound device works again, perhaps on a restarted server: the volume service connects
    // again and, when the output is no longer as the instrument set it, the volumes found
    // become those restored at close and the output is set as at start-up.
    void VolumesReturned();

    // ---- Screen ----
    // The window's canvas: the client area, drawn on directly.
    display::Canvas& Canvas();
    FramebufferCanvas& Framebuffer();
    int ClientWidth() const;
    int ClientHeight() const;
    // Sets the client area's size (fixed); a change repaints the window through FormResize.
    void SetClientSize(int width, int height);
    // Paints the client area black at once, erasing everything drawn on the canvas.
    void RepaintWindow();
    void DrawGraticule();
    void UpDown2Changing(QObject* Sender, bool& AllowChange);

    // ---- Acquisition cycle, measurement readouts and generator output ----
    void MyIdleEvent(QObject* Sender, bool& Done);
    bool AudioIn1BufferFilled(char* Buffer, int& Size);
    void Button3Click(QObject* Sender);
    void RadioButton3Click(QObject* Sender);
    void RadioButton4Click(QObject* Sender);
    void RadioButton5Click(QObject* Sender);
    void ComboBox4Click(QObject* Sender);
    void TrackBar1Change(QObject* Sender);
    void MeasureLevelL();
    void MeasureLevelR();
    void MeasureFrequencyL();
    void MeasureFrequencyR();
    bool AudioOut1FillBuffer(char* Buffer, int& Size);
    void AudioOut1Start(void* Sender);
    void ScrollBar4Change(QObject* Sender);
    void ScrollBar5Change(QObject* Sender);
    // ---- Oscilloscope screen: display cycle, ranges, time base, scales and their controls ----
    // One display cycle: measures both channels, ranges them, picks the trigger channel and
    // time base, draws the scales and redraws both traces from the trigger point. Its only
    // state carried to the next cycle: the applied ranges and band, halfWave*, triggerIndex*,
    // drawnTrace* and the canvas.
    void DrawTraces();
    void SelectRangeL();
    void SelectRangeR();
    void SelectTimeBaseL();
    void SelectTimeBaseR();
    void DrawScales();
    void ComboBox1Click(QObject* Sender);
    void ComboBox9Click(QObject* Sender);
    void ComboBox10Click(QObject* Sender);
    void file1Click(QObject* Sender);
    // Back to 100 mA / 100 mV with factors 1 and automatic ranges, and no time base applied,
    // so that the next cycle applies its band anew (a step of the start-up sequence).
    void ResetRangesAndTimeBase();
    void BindDisplayHandlers();
    // Copies of the samples as last drawn, from the trigger index on; the next cycle erases
    // along them.
    std::array<std::int32_t, 44100> drawnTraceL{};
    std::array<std::int32_t, 44100> drawnTraceR{};

    // Connects the handlers above to their controls, the idle timer and the stream components.
    void BindCycleHandlers();

    // Where the traces start in the channel arrays: the trigger search's result.
    std::uint16_t triggerIndexL = 0;
    std::uint16_t triggerIndexR = 0;

    // The idle pass as the idle timer runs it: presents what the passes after an event drew
    // once they stop and, when event-driven, stops the timer once a pass changes nothing.
    void RunIdlePass();
    // Something happened that can change what the next pass does: passes run again, at least
    // `minimumPasses` of them.
    void WakeIdleCycle(int minimumPasses = 1);
    // A pass must run to start the next capture burst; nothing a pass reads has changed.
    void WakeIdleCycleForCapture();
    // Event-driven (the default) or the busy loop, which the equivalence tests compare with.
    void SetIdleMode(IdleMode mode);

    // ---- end of the acquisition cycle section ----

    // ---- Generator panels, automatic and swept generators, "optimum", mixer program ----
    void ComboBox7Click(QObject* Sender);
    void ComboBox8Click(QObject* Sender);
    void Edit13DblClick(QObject* Sender);
    void Edit14DblClick(QObject* Sender);
    void Edit14Enter(QObject* Sender);
    void zobrazit1Click(QObject* Sender);
    void zruit1Click(QObject* Sender);
    void ScrollBar403Change(QObject* Sender);
    void ScrollBar406Change(QObject* Sender);
    void ComboBox410Change(QObject* Sender);
    void ComboBox411Click(QObject* Sender);
    void zobrazit2Click(QObject* Sender);
    void zruit2Click(QObject* Sender);
    void zobrazit3Click(QObject* Sender);
    void zruit3Click(QObject* Sender);
    void Button203Click(QObject* Sender);
    void Timer1Timer(QObject* Sender);
    void Button204Click(QObject* Sender);
    void zobrazit4Click(QObject* Sender);
    void zruit4Click(QObject* Sender);
    void Button103Click(QObject* Sender);
    void Button104Click(QObject* Sender);
    // Ends the automatic generator's run, as the start button's second press does.
    void StopSweep();
    void Button2Click(QObject* Sender);
    void mix1Click(QObject* Sender);

    // What start-up and the "optimum" reset do differently; the rest of the sequence is shared.
    struct Calibration {
        double currentScale; // mA per rms unit
        double voltageScale; // mV per rms unit
        double gainL;        // trace pixels per sample unit
        double gainR;
    };
    struct StartupVariant {
        Calibration calibration;
        bool saveVolumes;     // the volumes read become those restored at close
        bool setOutputVolume; // output device 0 to left full, right silent
        std::int32_t gen1Amplitude;
        std::string (*amplitudeText)(std::int32_t); // Edit13's readout of it
        bool selectorsLast; // readout range boxes and "L+R" just before playback starts
    };
    void RunStartupSequence(const StartupVariant& variant);
    // ---- end of the generator section ----

    // ---- The instrument this window shows: its measurements, ranges, time base, generators
    // and calibration, and the readings it publishes for every measured block ----
    instrument::Instrument model;

    // ---- The window's own variables (all zero until start-up sets them) ----
    // Volumes read at start-up: index 0 waveform output device 0, index n auxiliary device n.
    std::array<std::uint32_t, 6> savedVolumes{};

    // Trace drawing state set at start-up.
    double gainL = 0; // pixels per sample unit before range scaling
    double gainR = 0;
    std::int32_t offsetL = 0;
    std::int32_t offsetR = 0;
    std::int32_t drawnOffsetL = 0;
    std::int32_t drawnOffsetR = 0;
    std::int16_t traceWidth = 0;
    std::int32_t showTraceL = 0;
    std::int32_t showTraceR = 0;

    // Graticule.
    std::int32_t gridVisible = 0;
    std::int16_t gridBrightness = 0; // grey level, low 8 bits
    double gridUnit = 0;             // (client width - 40) / 200, set by each DrawGraticule

    // ---- Menu bar ----
    QMenuBar* MainMenu1 = nullptr;
    QAction* spoutn1 = nullptr;
    QAction* mix1 = nullptr;
    QAction* volbazobrazen1 = nullptr;
    QAction* file1 = nullptr;
    QAction* mickanl1 = nullptr;
    QAction* volbarozsahu1 = nullptr;
    QAction* frekvence1 = nullptr;
    QAction* naptR1 = nullptr;
    QAction* volbarozsahu2 = nullptr;
    QAction* frekvence2 = nullptr;
    QAction* asovzkladna1 = nullptr;
    QAction* test2 = nullptr;
    QAction* genertor11 = nullptr;
    QAction* genertor21 = nullptr;
    QAction* automatick1 = nullptr;
    QAction* rozmtan1 = nullptr;
    QAction* zobrazit1 = nullptr;
    QAction* zruit1 = nullptr;
    QAction* zobrazit2 = nullptr;
    QAction* zruit2 = nullptr;
    QAction* zobrazit3 = nullptr;
    QAction* zruit3 = nullptr;
    QAction* zobrazit4 = nullptr;
    QAction* zruit4 = nullptr;
    // The analysis menu at the end of the bar: it opens windows of their own, beside this one.
    QAction* analyza1 = nullptr;
    QAction* fazeimpedance1 = nullptr;
    QAction* spektrum1 = nullptr;

    // ---- Top row, scales and warnings ----
    QComboBox* ComboBox4 = nullptr;
    QFrame* Panel15 = nullptr;
    QPushButton* Button3 = nullptr;
    QRadioButton* RadioButton5 = nullptr;
    QRadioButton* RadioButton3 = nullptr;
    QRadioButton* RadioButton4 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QComboBox* ComboBox9 = nullptr;
    QLineEdit* Edit12 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QComboBox* ComboBox10 = nullptr;
    QLineEdit* Edit8 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QFrame* Panel10 = nullptr;
    QPushButton* Button2 = nullptr;
    QSlider* TrackBar1 = nullptr;
    QSpinBox* UpDown2 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QLineEdit* Edit18 = nullptr;
    QLineEdit* Edit19 = nullptr;
    QFrame* Panel14 = nullptr;

    // ---- Generator 1 panel ----
    QFrame* Panel13 = nullptr;
    QComboBox* ComboBox7 = nullptr;
    DoubleClickEdit* Edit13 = nullptr;
    QLineEdit* Edit6 = nullptr;
    QScrollBar* ScrollBar4 = nullptr;
    QScrollBar* ScrollBar5 = nullptr;
    DoubleClickEdit* Edit14 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QComboBox* ComboBox8 = nullptr;

    // ---- Generator 2 panel ----
    QFrame* Panel410 = nullptr;
    QComboBox* ComboBox410 = nullptr;
    QLineEdit* Edit403 = nullptr;
    QLineEdit* Edit10 = nullptr;
    QScrollBar* ScrollBar403 = nullptr;
    QScrollBar* ScrollBar406 = nullptr;
    QLineEdit* Edit409 = nullptr;
    QLineEdit* Edit9 = nullptr;
    QComboBox* ComboBox411 = nullptr;

    // ---- Automatic generator panel ----
    QFrame* Panel215 = nullptr;
    QLineEdit* Edit225 = nullptr;
    QLineEdit* Edit206 = nullptr;
    QLineEdit* Edit227 = nullptr;
    QLineEdit* Edit216 = nullptr;
    QLineEdit* Edit224 = nullptr;
    QComboBox* ComboBox212 = nullptr;
    QLineEdit* Edit223 = nullptr;
    QLineEdit* Edit229 = nullptr;
    QLineEdit* Edit222 = nullptr;
    QPushButton* Button203 = nullptr;
    QPushButton* Button204 = nullptr;

    // ---- Swept generator panel ----
    QFrame* Panel110 = nullptr;
    QLineEdit* Edit130 = nullptr;
    QLineEdit* Edit106 = nullptr;
    QLineEdit* Edit109 = nullptr;
    QLineEdit* Edit110 = nullptr;
    QPushButton* Button103 = nullptr;
    QPushButton* Button104 = nullptr;

    // ---- Timers: the automatic generator's step timer and the idle pass (zero interval) ----
    QTimer* Timer1 = nullptr;
    QTimer* idleTimer = nullptr;

    // ---- Stream and mixer components ----
    audio::TAudioIn AudioIn1;
    audio::TAudioOut AudioOut1;
    audio::TAudioMixer AudioMixer1;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenu();
    void BuildTopRow();
    void BuildScales();
    void BuildGenerator1Panel();
    void BuildGenerator2Panel();
    void BuildAutomaticPanel();
    void BuildSweptPanel();
    void SetStreamProperties();
    void BindWindowHandlers();
    void SyncFramebufferToClient();

    // Generator handlers' connections and shared steps.
    void BindGenerator1Handlers();
    void BindGenerator2Handlers();
    void BindSweepHandlers();
    void BindOptimumHandler();
    void BindMixerHandler();
    void ResetGenerator1Frequency();
    void SilenceGenerator2();
    void ShowSweepStep();

    // Steps of the start-up sequence.
    void PlaceWindowAndPanels();
    void LoadCalibration(const Calibration& calibration);
    void ResetReadoutSelectors();
    void ResetDisplayState();
    void TakeVolumes(const StartupVariant& variant);
    bool RestoreVolume(std::uint32_t device);
    // The volumes to give back at close: `read`, or those the journal kept from an instrument
    // that was ended before it gave them back; saved in the journal before any change.
    void KeepUserVolumes(const std::array<std::uint32_t, 6>& read);
    // Removes the journal once every volume is back.
    void ForgetUserVolumes();
    // Keeps the lines naming every saved volume ready for an exit without time to restore.
    void PublishVolumeNote();
    void ResetGenerator1(const StartupVariant& variant);
    void ResetGeneratorModes();
    void StartPlayback();

    std::uint64_t PassDigest() const;
    void StartIdleTimer();

    IdleMode idleMode_ = IdleMode::EventDriven;
    PassScheduler passScheduler_;
    generator::TwoToneBlocks twoToneBlocks_;
    platform::VolumeService& volume_;
    platform::VolumeJournal* volumeJournal_;
    bool takeVolumesNow_;           // false until TakeUserVolumes when the program defers it
    bool volumesTaken_ = false;     // savedVolumes hold what the card had
    bool journalRead_ = false;      // a journal left by an ended instrument is read once
    QTimer* volumeRetry_ = nullptr; // asks a server that did not answer at start again
    ClientArea* clientArea_ = nullptr;
    std::unique_ptr<FramebufferCanvas> canvas_;
};

} // namespace app
