// SPDX-License-Identifier: MIT
#include "app/spectrum/SpectrumWindow.h"

#include "app/spectrum/SpectrumPlot.h"
#include "app/spectrum/SpectrumTexts.h"
#include "app/window/TForm1.h"
#include "app/window/layout/Form1LayoutKit.h"

#include "platform/OutputFile.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace app::spectrum {

namespace {

using measure::Channel;

constexpr analysis::Window kWindows[] = {analysis::Window::Hann, analysis::Window::FlatTop,
                                         analysis::Window::Rectangular};
constexpr int kBlockChoices[] = {1, 2, 4, 8, 16, 32, 64};
constexpr int kHarmonicRows = 9; // orders 2 .. 10
constexpr qint64 kReadoutIntervalMs = 400;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// The name of a channel's readout: "SpectrumThd" + "L".
QString Name(const char* stem, Channel channel) {
    return QLatin1String(stem) + (channel == Channel::L ? QLatin1String("L") : QLatin1String("R"));
}

QLabel* Caption(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    layout::SetColors(label, Qt::black, layout::kSilver);
    return label;
}

QLabel* Readout(const QString& name, const QColor& color, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setMinimumWidth(90);
    layout::SetColors(label, Qt::black, color);
    return label;
}

QComboBox* List(const char* name, const QStringList& items, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    box->addItems(items);
    box->setFont(layout::FormFont(layout::kSelectorPixels));
    return box;
}

QPushButton* Button(const char* name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setFont(layout::FormFont(layout::kSelectorPixels));
    return button;
}

} // namespace

std::optional<std::string> SpectrumPathError(const std::string& path) {
    if (!ReportFormatOf(path)) {
        return "the spectrum '" + path + "' must end in .csv, .svg or .png";
    }
    if (const std::string reason = platform::CheckOutputPath(path); !reason.empty()) {
        return "cannot write the spectrum: " + reason;
    }
    return std::nullopt;
}

SpectrumWindow::SpectrumWindow(TForm1& form) : QWidget(&form), model_(form.model) {
    setWindowFlag(Qt::Window);
    setObjectName(QStringLiteral("SpectrumWindow"));
    setWindowTitle(QStringLiteral("spektrum"));
    setFont(layout::FormFont());
    layout::SetColors(this, Qt::black, layout::kSilver);
    setAutoFillBackground(true);
    resize(900, 640);

    auto* controls = new QHBoxLayout;
    windowBox_ = List("SpectrumWindowBox", {"Hann", "flat-top", "obdélník"}, this);
    QStringList blockItems;
    for (const int blocks : kBlockChoices) {
        blockItems << QString::number(blocks);
    }
    averagingBox_ = List("SpectrumAveragingBox", blockItems, this);
    axisBox_ = List("SpectrumAxisBox", {"logaritmická", "lineární"}, this);
    holdButton_ = Button("SpectrumHoldButton", QStringLiteral("držet špičky"), this);
    holdButton_->setCheckable(true);
    resetButton_ = Button("SpectrumResetButton", QStringLiteral("znovu"), this);
    countLabel_ = Readout(QStringLiteral("SpectrumCount"), layout::kSilver, this);
    controls->addWidget(Caption(QStringLiteral("okno"), this));
    controls->addWidget(windowBox_);
    controls->addWidget(Caption(QStringLiteral("průměr z bloků"), this));
    controls->addWidget(averagingBox_);
    controls->addWidget(countLabel_);
    controls->addWidget(Caption(QStringLiteral("osa f"), this));
    controls->addWidget(axisBox_);
    controls->addWidget(holdButton_);
    controls->addWidget(resetButton_);
    controls->addStretch();

    plot_ = new SpectrumPlot(view_, this);
    plot_->setObjectName(QStringLiteral("SpectrumPlot"));

    auto* panels = new QHBoxLayout;
    panels->addWidget(MakeChannelPanel(Channel::L));
    panels->addWidget(MakeChannelPanel(Channel::R));

    auto* column = new QVBoxLayout(this);
    column->addLayout(controls);
    column->addWidget(plot_, 1);
    column->addLayout(panels);

    connect(windowBox_, &QComboBox::activated, this, [this](int index) {
        view_.SetWindow(kWindows[index]);
        plot_->update();
    });
    connect(averagingBox_, &QComboBox::activated, this, [this](int index) {
        view_.SetBlocks(kBlockChoices[index]);
        plot_->update();
    });
    connect(axisBox_, &QComboBox::activated, this,
            [this](int index) { plot_->SetLogAxis(index == 0); });
    connect(holdButton_, &QPushButton::toggled, this, [this](bool hold) {
        view_.SetHold(hold);
        plot_->update();
    });
    connect(resetButton_, &QPushButton::clicked, this, [this] {
        view_.Reset();
        plot_->update();
    });
    connect(form.spektrum1, &QAction::triggered, this, [this] {
        if (isVisible()) { // behind another window: to the front
            raise();
            activateWindow();
        }
        show();
    });
}

QWidget* SpectrumWindow::MakeChannelPanel(Channel channel) {
    const QColor color = channel == Channel::L ? layout::kYellow : layout::kAqua;
    auto* panel = new QWidget(this);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    ChannelReadouts& r = readouts_[channel == Channel::L ? 0 : 1];
    auto* title = Caption(channel == Channel::L ? QStringLiteral("proud I (dB re 1 mA)")
                                                : QStringLiteral("napětí U (dB re 1 mV)"),
                          panel);
    layout::SetColors(title, Qt::black, color);
    grid->addWidget(title, 0, 0, 1, 4);
    const struct {
        const char* caption;
        const char* stem;
        QLabel** label;
    } rows[] = {
        {"špička", "SpectrumPeak", &r.peak},  {"základní", "SpectrumFundamental", &r.fundamental},
        {"THD", "SpectrumThd", &r.thd},       {"THD+N", "SpectrumThdN", &r.thdNoise},
        {"SINAD", "SpectrumSinad", &r.sinad}, {"šum (bin)", "SpectrumFloor", &r.floor},
        {"", "SpectrumClip", &r.clipped}};
    int row = 1;
    for (const auto& item : rows) {
        grid->addWidget(Caption(QString::fromUtf8(item.caption), panel), row, 0);
        *item.label = Readout(Name(item.stem, channel), color, panel);
        grid->addWidget(*item.label, row, 1);
        ++row;
    }
    r.harmonics = new QTableWidget(kHarmonicRows, 3, panel);
    r.harmonics->setObjectName(Name("SpectrumHarmonics", channel));
    r.harmonics->setHorizontalHeaderLabels(
        {QStringLiteral("f [Hz]"), QStringLiteral("úroveň [dB]"), QStringLiteral("%")});
    QStringList orders;
    for (int order = 2; order <= 10; ++order) {
        orders << QString::number(order);
    }
    r.harmonics->setVerticalHeaderLabels(orders);
    r.harmonics->setEditTriggers(QAbstractItemView::NoEditTriggers);
    r.harmonics->verticalHeader()->setDefaultSectionSize(16);
    r.harmonics->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    r.harmonics->setFixedHeight(16 * kHarmonicRows + 26);
    layout::SetColors(r.harmonics, Qt::black, color);
    for (int i = 0; i < kHarmonicRows; ++i) {
        for (int j = 0; j < 3; ++j) {
            auto* cell = new QTableWidgetItem;
            cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            r.harmonics->setItem(i, j, cell);
        }
    }
    grid->addWidget(r.harmonics, 1, 2, row - 1, 2);
    grid->setColumnStretch(2, 1);
    return panel;
}

void SpectrumWindow::KeepFollowing() {
    keepFollowing_ = true;
    Follow(true);
}

void SpectrumWindow::Follow(bool follow) {
    if (follow == following_) {
        return;
    }
    following_ = follow;
    if (follow) {
        subscription_ =
            model_.Subscribe([this](const instrument::Readings& readings) { TakeBlock(readings); });
    } else {
        subscription_ = {};
    }
}

void SpectrumWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    readoutsShown_.invalidate(); // the first block after opening shows its figures at once
    Follow(true);
}

// Closed or minimised: nobody sees the spectrum, so nothing is computed unless an export needs
// it.
void SpectrumWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    Follow(keepFollowing_);
}

void SpectrumWindow::TakeBlock(const instrument::Readings& readings) {
    view_.Add(readings);
    if (!isVisible()) {
        return;
    }
    plot_->update();
    // The figures change at a pace a reader can follow, as a meter's display does; the plot
    // follows every block.
    if (readoutsShown_.isValid() && readoutsShown_.elapsed() < kReadoutIntervalMs) {
        return;
    }
    readoutsShown_.start();
    countLabel_->setText(QString::number(view_.Count()) + QLatin1Char('/') +
                         QString::number(view_.Blocks()));
    ShowReadouts(Channel::L);
    ShowReadouts(Channel::R);
}

void SpectrumWindow::ShowReadouts(Channel channel) {
    const ChannelReadouts& r = readouts_[channel == Channel::L ? 0 : 1];
    const analysis::DistortionResult& d = view_.Distortion(channel);
    const std::vector<double>& shown = view_.Shown(channel);
    std::size_t peak = 0;
    for (std::size_t k = 1; k < shown.size(); ++k) {
        if (shown[k] > (peak == 0 ? 0 : shown[peak])) {
            peak = k;
        }
    }
    r.peak->setText(peak == 0 ? QString()
                              : Q(HertzText(static_cast<double>(peak) * view_.BinWidth()) + "  " +
                                  DbText(analysis::LevelDb(shown[peak]))));
    r.fundamental->setText(Q(HertzText(d.frequency)));
    r.thd->setText(Q(PercentText(d.thdPercent)));
    r.thdNoise->setText(Q(PercentText(d.thdNoisePercent)));
    r.sinad->setText(Q(DbText(d.sinadDb)));
    r.floor->setText(Q(FloorText(d)));
    // The figures then describe the clipped wave, not the signal at the input.
    r.clipped->setText(d.clipped ? QStringLiteral("přebuzeno") : QString());
    for (int i = 0; i < kHarmonicRows; ++i) {
        const bool known = static_cast<std::size_t>(i) < d.harmonics.size();
        const analysis::Harmonic h = known ? d.harmonics[i] : analysis::Harmonic{};
        r.harmonics->item(i, 0)->setText(known ? Q(Fixed(h.frequency, 1)) : QString());
        r.harmonics->item(i, 1)->setText(known ? Q(Fixed(analysis::LevelDb(h.rms), 1)) : QString());
        r.harmonics->item(i, 2)->setText(known ? Q(PercentText(h.percent)) : QString());
    }
}

std::string SpectrumWindow::Write(const std::string& path) const {
    const std::optional<ReportFormat> format = ReportFormatOf(path);
    if (!format) {
        return *SpectrumPathError(path);
    }
    QByteArray contents;
    switch (*format) {
    case ReportFormat::Svg:
        contents = SpectrumSvg(view_, plot_->LogAxis());
        break;
    case ReportFormat::Png:
        contents = SpectrumPng(view_, plot_->LogAxis());
        break;
    case ReportFormat::Csv:
        contents = QByteArray::fromStdString(SpectrumCsv(view_));
        break;
    }
    return platform::WriteWhole(
        path, std::string_view(contents.constData(), static_cast<std::size_t>(contents.size())));
}

} // namespace app::spectrum
