#include "music/window/windowsupport.h"

#include "platform/desktop/datapaths.h"
#include "platform/desktop/messageboxes.h"

#include <QApplication>
#include <QCollator>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace lumbrast::musicwindow {

void ClockRandom::Randomize() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto ticks = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
    std::seed_seq seq{static_cast<std::uint32_t>(ticks), static_cast<std::uint32_t>(ticks >> 32)};
    gen_.seed(seq);
}

float ClockRandom::Rnd() {
    // 24 random bits over 2^24: exactly representable, never 1.
    return static_cast<float>(gen_() >> 8) * (1.0f / 16777216.0f);
}

int DrawBelowLast(float r, int n) {
    if (n <= 1)
        return 0;
    const double p = std::floor(static_cast<double>(r) * (n - 1));
    return std::clamp(static_cast<int>(p), 0, n - 2);
}

double TextValue(const QString &text) {
    std::string s;
    for (QChar c : text) {
        if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r')
            continue;
        s.push_back(c.unicode() < 128 ? static_cast<char>(c.unicode()) : '?');
    }
    std::size_t i = 0;
    std::string num;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        num.push_back(s[i++]);
    // Appends the digits from s[k] on to out; true when there was one.
    auto takeDigits = [&s](std::size_t &k, std::string &out) {
        const std::size_t start = k;
        while (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k])))
            out.push_back(s[k++]);
        return k > start;
    };
    bool digits = takeDigits(i, num);
    if (i < s.size() && s[i] == '.') {
        num.push_back(s[i++]);
        digits = takeDigits(i, num) || digits;
    }
    if (!digits)
        return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::size_t j = i + 1;
        std::string exp = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            exp.push_back(s[j++]);
        if (takeDigits(j, exp))
            num += exp;
    }
    const double v = std::strtod(num.c_str(), nullptr);
    return std::isfinite(v)
               ? v
               : (v < 0 ? -std::numeric_limits<double>::max() : std::numeric_limits<double>::max());
}

double RoundHalfEven(double value) {
    return std::nearbyint(value);
}

std::optional<std::int16_t> RoundToInt16(double value) {
    const double r = RoundHalfEven(value);
    if (!(r >= -32768.0 && r <= 32767.0))
        return std::nullopt;
    return static_cast<std::int16_t>(r);
}

QString DefaultMediaFolder() {
    return platform::mediaFolder(QCoreApplication::applicationDirPath()) + QLatin1Char('/');
}

QStringList ListMediaFiles(const QString &folder, const QString &pattern) {
    QDir dir(folder);
    if (!dir.exists())
        return {};
    // No QDir::CaseSensitive: the pattern matches in any letter case.
    QStringList names = dir.entryList({pattern}, QDir::Files | QDir::NoDotAndDotDot, QDir::NoSort);
    // The "C" locale compares plain code points; a file manager still sorts
    // naturally there, so fall back to a real language's collation.
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(names.begin(), names.end(), [&](const QString &a, const QString &b) {
        const int c = collator.compare(a, b);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

QRegion RoundRectRegion(int width, int height, int ellipseW, int ellipseH) {
    if (width <= 0 || height <= 0)
        return {};
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, width, height), ellipseW / 2.0, ellipseH / 2.0);
    return QRegion(path.toFillPolygon().toPolygon());
}

std::string FilePath(const QString &path) {
    return QFile::encodeName(path).toStdString();
}

} // namespace lumbrast::musicwindow
