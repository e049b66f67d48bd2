#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zov {

class AtomicFile;
class AtomicFileSet;

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
    // What the ECU's byte and word variables hold: the limits a definition line is checked against.
    static constexpr int32_t kByteMax = 0xFF;
    static constexpr int32_t kWordMax = 0xFFFF;

    // Outcome of a model object's ReadDefinitionFile.
    struct LoadResult {
        bool opened = false;  // false: the file could not be opened, nothing was read
        // The file is damaged (a line missing, foreign, out of range or over-long, or an end where
        // no older version ended): nothing was taken from it.
        bool rejected = false;
        std::string error;  // why the file was rejected
        // Files written by older program versions lack entries, which then get defaults; such a
        // file is obsolete and the user is asked whether to upgrade it.
        bool obsolete = false;
        std::vector<std::string> report;  // the "- ... (a)/(m)" lines, in file order
        bool rewritten = false;           // the user accepted and the file was rewritten
        bool rewriteFailed = false;       // the user accepted but the rewrite failed
    };

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

    // The quoted text after `key` on a definition line, as ReadDefineString takes it.
    static void QuotedText(const std::string& line, std::string_view key, size_t maxLength,
                           std::string& destination);

    void WriteDefine(int32_t value, std::string_view key);
    void WriteDefineString(std::string_view text, std::string_view key);
    void WriteModFlag(int flag, std::string_view key);

    // Writes the file whole or not at all through an AtomicFile (see AtomicFile.h): a save that
    // fails half-way leaves the previous file as it was. `writeLines` makes the Write* calls. True
    // when every line reached the disk and the file was replaced.
    bool WriteAtomically(const std::function<void()>& writeLines);
    // While `set` is given, WriteAtomically adds its file to the set instead of replacing it at
    // once: the caller commits the set, all its files together.
    void WriteIntoSet(AtomicFileSet* set) { set_ = set; }

    // The title block every printed report of the model starts with. `appTitle` picks the
    // product short name ("KRV" when it contains "krv", else "ZOV"); `dateTimeText` is the long
    // date and long time, two blanks apart (see ReportDateTimeText).
    static void PrintHeader(ReportCanvas& canvas, const std::string& appTitle,
                            const std::string& dateTimeText);
    static std::string ReportDateTimeText(double now);

    // The line most recently read, and how the reading stands: ReadEnded after a read that hit
    // end of file, ReadFailed once an over-long line has been met.
    const std::string& LineBuffer() const { return line_; }
    // The line most recently read carries "#define " (it may still be a commented-out one).
    bool LineIsDefinition() const;
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
    AtomicFile* sink_ = nullptr;  // where lines go during WriteAtomically
    AtomicFileSet* set_ = nullptr;
};

// Keys of numbered entries: ("CG_", 3) -> "CG_3", ("CL_", 3, 4) -> "CL_3_4".
std::string NumberedKey(std::string_view stem, int index);
std::string NumberedKey(std::string_view stem, int first, int second);

// Validating, positional reader of a definition file opened on `in`: each call consumes one
// line. The first line that is missing, not a definition or outside what its ECU variable can
// hold is remembered ("riga N: KEY mancante", "... non è una definizione", "... fuori limiti
// (value)"); unchecked, such a line would be stored, and sent to the ECU, as NOT_FOUND or -1.
// Reading on after a failure keeps the first error.
class DefinitionReader {
  public:
    enum class Entry { Value, Missing, Bad };

    explicit DefinitionReader(IoBaseData& in) : in_(in) {}

    // A line that older files may end before: Missing (end of file, or another key) is no error.
    // `out` is set only for Value.
    Entry Next(const std::string& key, int32_t lo, int32_t hi, int32_t& out);
    // A line that must be there.
    bool Take(const std::string& key, int32_t lo, int32_t hi, int32_t& out);
    // A line where files of older versions may hold anything, or end: Missing unless the line is a
    // definition carrying `key`, whose value must then be within limits.
    Entry Optional(const std::string& key, int32_t lo, int32_t hi, int32_t& out);
    // A modified flag (commented out when clear); the line must still carry its key, or the file
    // has slipped.
    bool ModFlag(const std::string& key, uint8_t& out);

    bool Failed() const { return !error_.empty(); }
    const std::string& Error() const { return error_; }

  private:
    Entry Fail(const std::string& key, const std::string& why);

    IoBaseData& in_;
    int line_ = 0;
    std::string error_;
};

}  // namespace zov
