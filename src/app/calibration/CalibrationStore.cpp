// SPDX-License-Identifier: MIT
#include "app/calibration/CalibrationStore.h"

#include "platform/OutputFile.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <memory>

namespace app {

namespace {

using measure::Channel;

constexpr Channel kChannels[] = {Channel::L, Channel::R};
// A file of a few cards holds a few hundred bytes.
constexpr qint64 kLargestFile = 64 * 1024;

// The user's file only: a system-wide one would put factors of another machine's cards in force.
std::unique_ptr<QSettings> OpenSettings() {
    auto settings =
        std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                    QStringLiteral("osciloskop"), QStringLiteral("calibration"));
    settings->setFallbacksEnabled(false);
    return settings;
}

// Where QSettings keeps the user's file, named without opening it: QSettings reads a file whole
// as soon as it is made on it.
QString CalibrationFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/osciloskop/calibration.ini");
}

// Why the file at `path` is not a calibration file to hand to QSettings, empty when it is (or
// is missing): not a regular file, too large to read whole, not text, or a line that is
// neither a heading, a key=value nor a comment. QSettings itself takes almost any bytes.
std::string FileFault(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return {};
    }
    if (!info.isFile()) {
        return "it is not a regular file";
    }
    if (info.size() > kLargestFile) {
        return "it holds " + std::to_string(info.size()) + " bytes, more than the " +
               std::to_string(kLargestFile / 1024) + " KiB a calibration file can hold; not read";
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return file.errorString().toStdString();
    }
    const QByteArray bytes = file.read(kLargestFile + 1);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    if (utf8.hasError() || bytes.size() > kLargestFile) {
        return "it is not text (random bytes?)";
    }
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        const bool wellFormed =
            line.isEmpty() || line.startsWith(QLatin1Char(';')) ||
            line.startsWith(QLatin1Char('#')) ||
            (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) ||
            line.indexOf(QLatin1Char('=')) > 0;
        const bool control = std::any_of(line.begin(), line.end(), [](QChar c) {
            return c.unicode() < 0x20 && c != QLatin1Char('\t');
        });
        if (!wellFormed || control) {
            return "line " + std::to_string(i + 1) +
                   " is neither a [card] heading, a key=value nor a comment";
        }
    }
    return {};
}

// QSettings keeps a file's contents for the whole process and reports a format error only to
// the first reader; later readers of the same, unchanged file must hear of it too, or one of
// them could write the remains of the parse over it.
struct FileStamp {
    QString path;
    QDateTime modified;
    qint64 size = -1;

    static FileStamp Of(const QString& path) {
        const QFileInfo info(path);
        return {path, info.lastModified(), info.exists() ? info.size() : -1};
    }
    bool operator==(const FileStamp&) const = default;
};

std::optional<FileStamp>& KnownUnreadable() {
    static std::optional<FileStamp> stamp;
    return stamp;
}

bool FormatError(const QSettings& settings) {
    const FileStamp stamp = FileStamp::Of(settings.fileName());
    if (settings.status() == QSettings::FormatError) {
        KnownUnreadable() = stamp;
    }
    return KnownUnreadable() == stamp;
}

// A card's identity holds '/' and ':', which QSettings would take for groups: percent-encoded.
QString CardGroup(const std::string& card) {
    return QString::fromLatin1(QUrl::toPercentEncoding(QString::fromStdString(card)));
}

QString FactorKey(const std::string& card, Channel channel) {
    return CardGroup(card) + QLatin1Char('/') + QString::fromLatin1(measure::QuantityName(channel));
}

// The factor under `key` ("<card>/<quantity>"): none when absent, an error when unusable.
std::optional<StoredFactor> ReadFactor(const QSettings& settings, const QString& key,
                                       std::string& error) {
    if (!settings.contains(key + QStringLiteral("/factor"))) {
        return std::nullopt;
    }
    bool isNumber = false;
    const double factor =
        settings.value(key + QStringLiteral("/factor")).toString().toDouble(&isNumber);
    const QString date = settings.value(key + QStringLiteral("/date")).toString();
    if (!isNumber || !std::isfinite(factor) || factor <= 0 ||
        !QDate::fromString(date, Qt::ISODate).isValid()) {
        error = "its entry '" + key.toStdString() + "' is not a factor above zero with a date";
        return std::nullopt;
    }
    if (const std::string refusal = measure::FactorBoundsRefusal(factor); !refusal.empty()) {
        error = "its entry '" + key.toStdString() + "': " + refusal;
        return std::nullopt;
    }
    return StoredFactor{factor, date.toStdString()};
}

std::optional<StoredFactor>& FactorOf(CardCalibration& card, Channel channel) {
    return channel == Channel::L ? card.current : card.voltage;
}

// "current ×1.981 (2026-12-09), voltage ×0.950 (2026-12-08)"; empty without factors.
std::string FactorsText(const CardCalibration& card) {
    std::string text;
    for (const Channel channel : kChannels) {
        if (const auto& stored = channel == Channel::L ? card.current : card.voltage) {
            text += (text.empty() ? "" : ", ") + std::string(measure::QuantityName(channel)) + " " +
                    measure::FactorText(stored->factor) + " (" + stored->date + ")";
        }
    }
    return text;
}

} // namespace

CalibrationStore::CalibrationStore() : path_(CalibrationFile().toStdString()) {
    if (const std::string fault = FileFault(CalibrationFile()); !fault.empty()) {
        error_ = "the calibration file '" + path_ + "' cannot be read: " + fault;
        return;
    }
    const std::unique_ptr<QSettings> settings = OpenSettings();
    if (FormatError(*settings) || settings->status() != QSettings::NoError) {
        error_ = "the calibration file '" + path_ + "' cannot be read (format error)";
        return;
    }
    std::string entryError;
    for (const QString& group : settings->childGroups()) {
        CardCalibration card{QUrl::fromPercentEncoding(group.toLatin1()).toStdString(), {}, {}};
        for (const Channel channel : kChannels) {
            FactorOf(card, channel) = ReadFactor(
                *settings, group + QLatin1Char('/') + measure::QuantityName(channel), entryError);
        }
        if (card.current || card.voltage) {
            cards_.push_back(std::move(card));
        }
    }
    if (!entryError.empty()) {
        error_ = "the calibration file '" + path_ + "' cannot be read: " + entryError;
        cards_.clear();
    }
    std::sort(cards_.begin(), cards_.end(),
              [](const auto& a, const auto& b) { return a.card < b.card; });
}

std::optional<StoredFactor> CalibrationStore::Find(const std::string& card, Channel channel) const {
    for (const CardCalibration& stored : cards_) {
        if (stored.card == card) {
            return channel == Channel::L ? stored.current : stored.voltage;
        }
    }
    return std::nullopt;
}

std::string CalibrationStore::Store(const std::string& card, Channel channel, double factor) {
    if (const std::string refusal = measure::FactorBoundsRefusal(factor); !refusal.empty()) {
        return "not stored: " + refusal;
    }
    return Write(card, channel,
                 StoredFactor{factor, QDate::currentDate().toString(Qt::ISODate).toStdString()});
}

std::string CalibrationStore::Remove(const std::string& card, Channel channel) {
    if (!error_.empty()) {
        return error_ + "; a new calibration replaces it";
    }
    return Find(card, channel) ? Write(card, channel, std::nullopt) : std::string();
}

std::string CalibrationStore::WritableError() const {
    const QString folder = QFileInfo(CalibrationFile()).absolutePath();
    if (!QDir().mkpath(folder)) {
        return "the calibration file '" + path_ + "' cannot be written: its folder '" +
               folder.toStdString() + "' cannot be created";
    }
    if (const std::string fault = platform::CheckOutputPath(path_); !fault.empty()) {
        return "the calibration file cannot be written: " + fault;
    }
    return {};
}

// QSettings edits a draft in a private folder (from the file, or from nothing when the file
// is unreadable: a new calibration replaces it), and the draft goes to disk as a whole output
// file: a full disk keeps the earlier file, a link is written through, never replaced.
std::string CalibrationStore::Write(const std::string& card, Channel channel,
                                    const std::optional<StoredFactor>& factor) {
    const std::string cannot = "the calibration file '" + path_ + "' cannot be written";
    const QTemporaryDir scratch;
    const QString draft = scratch.filePath(QStringLiteral("calibration.ini"));
    if (!scratch.isValid() || (error_.empty() && QFile::exists(CalibrationFile()) &&
                               !QFile::copy(CalibrationFile(), draft))) {
        return cannot + ": no draft can be made of it";
    }
    {
        QSettings settings(draft, QSettings::IniFormat);
        const QString key = FactorKey(card, channel);
        if (factor) {
            settings.setValue(key + QStringLiteral("/factor"),
                              QString::number(factor->factor, 'g', QLocale::FloatingPointShortest));
            settings.setValue(key + QStringLiteral("/date"), QString::fromStdString(factor->date));
        } else {
            settings.remove(key);
        }
        settings.sync();
        if (settings.status() != QSettings::NoError) {
            return cannot;
        }
    }
    QFile drafted(draft);
    if (!drafted.open(QIODevice::ReadOnly)) {
        return cannot + ": its draft cannot be read";
    }
    const QByteArray bytes = drafted.readAll();
    if (const std::string error = WritableError(); !error.empty()) {
        return error;
    }
    if (const std::string error = platform::WriteWhole(
            path_, {bytes.constData(), static_cast<std::size_t>(bytes.size())});
        !error.empty()) {
        return "the calibration file cannot be written: " + error;
    }
    if (!error_.empty()) {
        error_.clear();
        cards_.clear();
    }
    auto stored = std::find_if(cards_.begin(), cards_.end(),
                               [&card](const auto& c) { return c.card == card; });
    if (stored == cards_.end()) {
        stored = cards_.insert(cards_.end(), CardCalibration{card, {}, {}});
    }
    FactorOf(*stored, channel) = factor;
    return {};
}

std::string CalibrationIdentity(const std::string& lockIdentity) {
    return lockIdentity.empty() ? "simulated" : lockIdentity;
}

measure::LevelCalibration LoadLevelCalibration(const std::string& card, std::ostream& notes) {
    const CalibrationStore store;
    if (!store.Error().empty()) {
        notes << "osciloskop: " << store.Error()
              << "; starting uncalibrated, and the file stays as it is until a new "
                 "--calibrate replaces it\n";
        return {};
    }
    CardCalibration factors{card, store.Find(card, Channel::L), store.Find(card, Channel::R)};
    if (const std::string text = FactorsText(factors); !text.empty()) {
        notes << "calibration: " << text << '\n';
    }
    return {factors.current ? factors.current->factor : 1.0,
            factors.voltage ? factors.voltage->factor : 1.0};
}

int ListCalibration(std::ostream& out, std::ostream& err) {
    const CalibrationStore store;
    if (!store.Error().empty()) {
        err << "osciloskop: " << store.Error() << "; a new --calibrate replaces it\n";
        return 2;
    }
    if (store.Cards().empty()) {
        out << "no calibration stored (" << store.Path() << ")\n";
    }
    for (const CardCalibration& card : store.Cards()) {
        out << "card '" << card.card << "': " << FactorsText(card) << '\n';
    }
    return 0;
}

int ResetCalibration(const std::string& card, Channel channel, std::ostream& out,
                     std::ostream& err) {
    CalibrationStore store;
    const bool stored = store.Find(card, channel).has_value();
    if (const std::string error = store.Remove(card, channel); !error.empty()) {
        err << "osciloskop: " << error << '\n';
        return 2;
    }
    out << measure::QuantityName(channel) << ": "
        << (stored ? "calibration removed" : "no calibration was stored") << " for card '" << card
        << "'\n";
    return 0;
}

} // namespace app
