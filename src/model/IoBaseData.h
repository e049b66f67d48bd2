#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace zov {

// Page-oriented output a printed report is drawn on (a printer page, a PDF page, or a recorder in
// tests). Positions are in the canvas's own units.
class ReportCanvas {
  public:
    struct Font {
        std::string name;
        int size = 12;
        bool bold = false;
        bool underline = false;
    };

    virtual ~ReportCanvas() = default;
    virtual void SetFont(const Font& font) = 0;
    virtual void TextOut(int x, int y, const std::string& text) = 0;
};

// Day numbers count days since 30 December 1899 (the date base of DATA_PROGRAMMA); the fraction
// is the time of day.
double DayNumberFromDate(int year, int month, int day);
void DateFromDayNumber(double dayNumber, int& year, int& month, int& day);
// Today's local date as a whole day number.
double TodayDayNumber();
// The current local date and time as a day number with its fraction.
double NowDayNumber();
// Long date, Italian form ("lunedì 12 ottobre 1998", Windows-1252).
std::string LongDateText(double dayNumber);
// Long time ("14:05:09").
std::string LongTimeText(double dayNumber);

// Common base of ConfCar, ConfMap and ConfParam: the definition-file name and the line-level
// read/write primitives of the "#define KEY  value" files.
//
// Reading is positional: each read primitive consumes exactly one line and checks it carries
// the expected key (plain substring match). Lines are at most kLineLength characters; a longer
// line leaves the reader failed and every later read sees an empty line. A line ending in end of
// file (also one with text but no line feed) counts as end of file. Lines are written with CR LF;
// a bare LF is accepted on reading.
class IoBaseData {
  public:
    static constexpr int32_t NOT_FOUND = INT32_MIN;  // 0x80000000: end of file or key absent
    static constexpr int32_t NO_DEFINE = -1;         // the line is not a definition
    static constexpr size_t kLineLength = 79;
    // MODELLO and NOME_PROGRAMMA hold this many characters.
    static constexpr size_t kTextFieldLength = 40;

    explicit IoBaseData(std::string fileName);
    ~IoBaseData();
    IoBaseData(const IoBaseData&) = delete;
    IoBaseData& operator=(const IoBaseData&) = delete;

    void SetFileName(const std::string& path);
    const std::string& GetFileName() const { return fileName_; }

    // 0 on success, non-zero when the file cannot be opened.
    int OpenForReading();
    // Non-zero when the input went into the failed state (over-long line or read error).
    int CloseReading();
    // Creates or truncates the file. 0 on success, non-zero on failure.
    int OpenForWriting();
    // Non-zero when any write, flush or the close itself failed (or nothing was open).
    int CloseWriting();

    // The value after the key, NOT_FOUND or NO_DEFINE (see above).
    int32_t ReadDefine(std::string_view key);
    // 1 for an active definition carrying the key, or at end of file; 0 otherwise.
    int ReadModFlag(std::string_view key);
    // 1 and the quoted text in `destination` (cut to maxLength; a missing closing quote takes
    // the rest of the line), 0 with `destination` unchanged otherwise.
    int ReadDefineString(std::string& destination, std::string_view key, size_t maxLength = kTextFieldLength);

    void WriteDefine(int32_t value, std::string_view key);
    void WriteDefineString(std::string_view text, std::string_view key);
    void WriteModFlag(int flag, std::string_view key);

    // The title block every printed report of the model starts with. `appTitle` picks the
    // product short name ("KRV" when it contains "krv", else "ZOV"); `dateTimeText` is the long
    // date and long time, two blanks apart (see ReportDateTimeText).
    static void PrintHeader(ReportCanvas& canvas, const std::string& appTitle,
                            const std::string& dateTimeText);
    static std::string ReportDateTimeText(double now);

    // The line most recently read, and how the reading stands: ReadEnded after a read that hit
    // end of file, ReadFailed once an over-long line has been met.
    const std::string& LineBuffer() const { return line_; }
    bool ReadEnded() const { return inEof_; }
    bool ReadFailed() const { return inFailed_; }

  private:
    // Reads one line into line_; returns false when it ended at end of file.
    bool ReadLine();
    void WriteLine(const std::string& text);

    std::string fileName_;
    std::string line_;
    std::FILE* in_ = nullptr;
    std::FILE* out_ = nullptr;
    bool inFailed_ = false;
    bool inEof_ = false;
    bool inError_ = false;
    bool outFailed_ = false;
};

}  // namespace zov
