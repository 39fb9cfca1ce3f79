// SPDX-License-Identifier: MIT
#pragma once

// The spectrum window ("spektrum"), opened by the main window's menu entry spektrum1: both
// channels' spectra (SpectrumPlot), per channel the peak, the fundamental, harmonics 2 to 10
// and THD, THD+N, SINAD and the noise floor, and the controls for the FFT window, averaging,
// peak hold and the frequency axis. Every control and readout has an object name, and the
// window is a child of the main window, so scripts find them as they find the main window's.
//
// It follows the instrument's readings while it is shown, or from the moment an export asks
// for it (KeepFollowing), and writes the averaged spectrum as CSV, SVG or PNG (Write). Lives on
// the UI thread; the main window owns it.

#include "app/report/FrequencyReport.h"
#include "app/spectrum/SpectrumView.h"

#include <QElapsedTimer>
#include <QWidget>

#include <array>
#include <string>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace app {
class TForm1;
}

namespace app::spectrum {

class SpectrumPlot;

// Why the spectrum cannot be exported to `path` (an extension other than .csv, .svg, .png, or
// a path that cannot take a file), as the line to print; nothing when it can. Changes nothing.
std::optional<std::string> SpectrumPathError(const std::string& path);

class SpectrumWindow : public QWidget {
public:
    // Hidden until spektrum1 is chosen.
    explicit SpectrumWindow(TForm1& form);

    // Follows the readings from now on, also while hidden, so that an export has its spectrum
    // whether or not the window was ever opened.
    void KeepFollowing();

    // Writes the averaged spectrum to `path` in the format of its extension, replacing the file
    // whole or leaving it as it was. Returns why it could not, naming the file; empty on
    // success.
    std::string Write(const std::string& path) const;

    const SpectrumView& View() const { return view_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct ChannelReadouts {
        QLabel* peak = nullptr;
        QLabel* fundamental = nullptr;
        QLabel* thd = nullptr;
        QLabel* thdNoise = nullptr;
        QLabel* sinad = nullptr;
        QLabel* floor = nullptr;
        QLabel* clipped = nullptr; // "přebuzeno" when the card clipped the block
        QTableWidget* harmonics = nullptr;
    };

    QWidget* MakeChannelPanel(measure::Channel channel);
    void Follow(bool follow);
    void TakeBlock(const instrument::Readings& readings);
    void ShowReadouts(measure::Channel channel);

    instrument::Instrument& model_;
    SpectrumView view_;
    bool keepFollowing_ = false;
    bool following_ = false;
    // Since the readouts last changed; invalid until the first block after opening.
    QElapsedTimer readoutsShown_;
    instrument::Instrument::Subscription subscription_;

    QComboBox* windowBox_ = nullptr;
    QComboBox* averagingBox_ = nullptr;
    QComboBox* axisBox_ = nullptr;
    QPushButton* holdButton_ = nullptr;
    QPushButton* resetButton_ = nullptr;
    QLabel* countLabel_ = nullptr;
    SpectrumPlot* plot_ = nullptr;
    std::array<ChannelReadouts, 2> readouts_{};
};

} // namespace app::spectrum
