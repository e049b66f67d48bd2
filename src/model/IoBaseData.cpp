#include "IoBaseData.h"

#include <cctype>
#include <cmath>
#include <ctime>

#include "AtomicFile.h"
#include "AtomicFileSet.h"

namespace zov {
namespace {

constexpr std::string_view kDefine = "#define ";
// 1970-01-01 as a day number.
constexpr int64_t kUnixEpochDay = 25569;

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = int(doy - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(yoe + era * 400 + (month <= 2));
}

// Whole days of a day number, kept in a range the calendar arithmetic handles.
int64_t WholeDays(double dayNumber) {
    if (!std::isfinite(dayNumber)) return 0;
    if (dayNumber > 1e8) dayNumber = 1e8;
    if (dayNumber < -1e8) dayNumber = -1e8;
    return int64_t(std::floor(dayNumber));
}

// Decimal conversion of a definition value: blanks, optional sign, digits; saturates to 32 bits.
int32_t ParseValue(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    int64_t v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        v = v * 10 + (s[i] - '0');
        if (v > int64_t(INT32_MAX) + 1) v = int64_t(INT32_MAX) + 1;
    }
    if (negative) v = -v;
    if (v > INT32_MAX) v = INT32_MAX;
    return int32_t(v);
}

}  // namespace

double DayNumberFromDate(int year, int month, int day) {
    return double(DaysFromCivil(year, month, day) + kUnixEpochDay);
}

void DateFromDayNumber(double dayNumber, int& year, int& month, int& day) {
    CivilFromDays(WholeDays(dayNumber) - kUnixEpochDay, year, month, day);
}

double TodayDayNumber() { return std::floor(NowDayNumber()); }

double NowDayNumber() {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    return DayNumberFromDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
           (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) / 86400.0;
}

std::string LongDateText(double dayNumber) {
    static const char* const kDays[7] = {"domenica",   "luned\xEC",  "marted\xEC", "mercoled\xEC",
                                         "gioved\xEC", "venerd\xEC", "sabato"};
    static const char* const kMonths[12] = {"gennaio",   "febbraio", "marzo",    "aprile",
                                            "maggio",    "giugno",   "luglio",   "agosto",
                                            "settembre", "ottobre",  "novembre", "dicembre"};
    int y = 0, m = 0, d = 0;
    DateFromDayNumber(dayNumber, y, m, d);
    // Day number 0 (30 December 1899) was a Saturday.
    const int64_t weekday = ((WholeDays(dayNumber) + 6) % 7 + 7) % 7;
    return std::string(kDays[weekday]) + " " + std::to_string(d) + " " + kMonths[m - 1] + " " +
           std::to_string(y);
}

std::string LongTimeText(double dayNumber) {
    if (!std::isfinite(dayNumber)) dayNumber = 0;
    const double fraction = dayNumber - std::floor(dayNumber);
    int seconds = int(fraction * 86400.0 + 0.5);
    if (seconds >= 86400) seconds = 86399;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return text;
}

IoBaseData::IoBaseData(std::string fileName) : fileName_(std::move(fileName)) {}

IoBaseData::~IoBaseData() {
    if (in_) std::fclose(in_);
    if (out_) std::fclose(out_);
}

void IoBaseData::SetFileName(const std::string& path) { fileName_ = path; }

int IoBaseData::OpenForReading() {
    if (in_) std::fclose(in_);
    inFailed_ = inEof_ = inError_ = false;
    line_.clear();
    // Binary: the CR of a CR LF line end is dropped by ReadLine, as a text stream on the
    // system the files come from would.
    in_ = std::fopen(fileName_.c_str(), "rb");
    return in_ ? 0 : 1;
}

int IoBaseData::CloseReading() {
    if (!in_) return 1;
    std::fclose(in_);
    in_ = nullptr;
    return inFailed_ || inError_ ? 1 : 0;
}

int IoBaseData::OpenForWriting() {
    if (out_) std::fclose(out_);
    outFailed_ = false;
    out_ = std::fopen(fileName_.c_str(), "wb");
    return out_ ? 0 : 1;
}

int IoBaseData::CloseWriting() {
    if (!out_) return 1;
    const bool closeFailed = std::fclose(out_) != 0;
    out_ = nullptr;
    return outFailed_ || closeFailed ? 1 : 0;
}

bool IoBaseData::ReadLine() {
    line_.clear();
    if (!in_ || inEof_) return false;
    // After an over-long line the stream stays failed: only empty lines from here on.
    if (inFailed_) return true;
    for (;;) {
        int c = std::getc(in_);
        if (c == EOF) {
            if (std::ferror(in_)) inError_ = true;
            inEof_ = true;
            return false;
        }
        if (c == '\n') return true;
        if (c == '\r') {
            const int next = std::getc(in_);
            if (next == '\n') return true;
            if (next != EOF) std::ungetc(next, in_);
        }
        if (line_.size() == kLineLength) {
            // The character that did not fit is gone with the failed stream.
            inFailed_ = true;
            return true;
        }
        line_.push_back(char(c));
    }
}

int32_t IoBaseData::ReadDefine(std::string_view key) {
    if (!ReadLine()) return NOT_FOUND;
    if (line_.find(kDefine) == std::string::npos) return NO_DEFINE;
    const size_t at = line_.find(key);
    if (at == std::string::npos) return NOT_FOUND;
    const size_t value = at + key.size() + 1;
    if (value >= line_.size()) return 0;
    return ParseValue(std::string_view(line_).substr(value));
}

int IoBaseData::ReadModFlag(std::string_view key) {
    if (!ReadLine()) return 1;
    const bool active = line_.find(kDefine) != std::string::npos && line_.find(key) != std::string::npos &&
                        line_.compare(0, 2, "/*") != 0;
    return active ? 1 : 0;
}

int IoBaseData::ReadDefineString(std::string& destination, std::string_view key, size_t maxLength) {
    if (!ReadLine()) return 0;
    if (line_.find(kDefine) == std::string::npos) return 0;
    if (line_.find(key) == std::string::npos) return 0;
    QuotedText(line_, key, maxLength, destination);
    return 1;
}

void IoBaseData::QuotedText(const std::string& line, std::string_view key, size_t maxLength,
                            std::string& destination) {
    const size_t at = line.find(key);
    const size_t start = at == std::string::npos ? line.size() : at + key.size() + 3;
    if (start >= line.size()) {
        destination.clear();
        return;
    }
    const size_t quote = line.find('"', start);
    const size_t end = quote == std::string::npos ? line.size() : quote;
    destination = line.substr(start, std::min(end - start, maxLength));
}

void IoBaseData::WriteLine(const std::string& text) {
    if (sink_) {
        sink_->Write(text + "\r\n");
        return;
    }
    if (!out_) {
        outFailed_ = true;
        return;
    }
    if (std::fwrite(text.data(), 1, text.size(), out_) != text.size() ||
        std::fwrite("\r\n", 1, 2, out_) != 2 || std::fflush(out_) != 0)
        outFailed_ = true;
}

void IoBaseData::WriteDefine(int32_t value, std::string_view key) {
    WriteLine(std::string(kDefine) + std::string(key) + "  " + std::to_string(value));
}

void IoBaseData::WriteDefineString(std::string_view text, std::string_view key) {
    // A line end (or NUL) inside the text would split the entry and shift every later line.
    std::string safe(text);
    for (char& c : safe)
        if (c == '\r' || c == '\n' || c == '\0') c = ' ';
    WriteLine(std::string(kDefine) + std::string(key) + "  \"" + safe + "\"");
}

void IoBaseData::WriteModFlag(int flag, std::string_view key) {
    if (flag)
        WriteLine(std::string(kDefine) + std::string(key));
    else
        WriteLine("/* " + std::string(kDefine) + std::string(key) + " */");
}

bool IoBaseData::WriteAtomically(const std::function<void()>& writeLines) {
    AtomicFile own(fileName_);
    AtomicFile& file = set_ ? set_->Add(fileName_) : own;
    if (!set_) file.Open();
    if (!file.Failed()) {
        sink_ = &file;
        writeLines();
        sink_ = nullptr;
    }
    if (!set_) file.Commit();
    return !file.Failed();
}

bool IoBaseData::LineIsDefinition() const { return line_.find(kDefine) != std::string::npos; }

void IoBaseData::PrintHeader(ReportCanvas& canvas, const std::string& appTitle,
                             const std::string& dateTimeText) {
    std::string lower = appTitle;
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    const char* product = lower.find("krv") != std::string::npos ? "KRV" : "ZOV";
    canvas.SetFont({"Courier New", 14, true, true});
    canvas.TextOut(20, 20, std::string("Stampa dati Centralina Iniezione ") + product);
    canvas.SetFont({"Courier New", 12, false, false});
    canvas.TextOut(20, 200, dateTimeText);
}

std::string IoBaseData::ReportDateTimeText(double now) {
    return LongDateText(now) + "  " + LongTimeText(now);
}

std::string NumberedKey(std::string_view stem, int index) {
    return std::string(stem) + std::to_string(index);
}

std::string NumberedKey(std::string_view stem, int first, int second) {
    return std::string(stem) + std::to_string(first) + "_" + std::to_string(second);
}

DefinitionReader::Entry DefinitionReader::Next(const std::string& key, int32_t lo, int32_t hi, int32_t& out) {
    ++line_;
    const int32_t v = in_.ReadDefine(key);
    if (v == IoBaseData::NOT_FOUND) return Entry::Missing;
    // -1 is both a value and "not a definition": the line itself tells them apart.
    if (v == IoBaseData::NO_DEFINE && !in_.LineIsDefinition()) return Fail(key, "non \xE8 una definizione");
    if (v < lo || v > hi) return Fail(key, "fuori limiti (" + std::to_string(v) + ")");
    out = v;
    return Entry::Value;
}

bool DefinitionReader::Take(const std::string& key, int32_t lo, int32_t hi, int32_t& out) {
    const Entry e = Next(key, lo, hi, out);
    if (e == Entry::Missing) Fail(key, "mancante");
    return e == Entry::Value;
}

DefinitionReader::Entry DefinitionReader::Optional(const std::string& key, int32_t lo, int32_t hi,
                                                   int32_t& out) {
    ++line_;
    const int32_t v = in_.ReadDefine(key);
    if (v == IoBaseData::NOT_FOUND || !in_.LineIsDefinition()) return Entry::Missing;
    if (v < lo || v > hi) return Fail(key, "fuori limiti (" + std::to_string(v) + ")");
    out = v;
    return Entry::Value;
}

bool DefinitionReader::ModFlag(const std::string& key, uint8_t& out) {
    ++line_;
    const int flag = in_.ReadModFlag(key);
    if (in_.LineBuffer().find(key) == std::string::npos) {
        Fail(key, in_.LineIsDefinition() ? "mancante" : "non \xE8 una definizione");
        return false;
    }
    out = uint8_t(flag);
    return true;
}

DefinitionReader::Entry DefinitionReader::Fail(const std::string& key, const std::string& why) {
    if (error_.empty()) error_ = "riga " + std::to_string(line_) + ": " + key + " " + why;
    return Entry::Bad;
}

}  // namespace zov
