#include "LegacyCustomerTable.h"

#include <shapefil.h>

#include <QFile>
#include <QStringDecoder>
#include <array>
#include <memory>
#include <optional>

#include "Cp1252.h"

namespace zov {

namespace {

constexpr qsizetype kHeaderSize = 32;
constexpr qsizetype kDescriptorSize = 32;

struct DbfCloser {
    void operator()(DBFInfo* handle) const { DBFClose(handle); }
};

thread_local std::string shapelibMessage;
void CaptureShapelibError(const char* message) { shapelibMessage = message != nullptr ? message : ""; }

unsigned Le16(const QByteArray& b, qsizetype at) {
    return static_cast<unsigned char>(b[at]) |
           (static_cast<unsigned>(static_cast<unsigned char>(b[at + 1])) << 8);
}

// shapelib trusts the header; a damaged one must be caught before it reads past the file.
QString LayoutProblem(const QByteArray& bytes) {
    if (bytes.size() < kHeaderSize + kDescriptorSize + 1)
        return QStringLiteral("too short to be a dBASE table");
    if ((static_cast<unsigned char>(bytes[0]) & 0x07) != 0x03)
        return QStringLiteral("not a dBASE III/IV table");
    const quint64 records = Le16(bytes, 4) | (quint64(Le16(bytes, 6)) << 16);
    const qsizetype headerLength = Le16(bytes, 8);
    const qsizetype recordLength = Le16(bytes, 10);
    if (headerLength < kHeaderSize + kDescriptorSize + 1 || headerLength > bytes.size())
        return QStringLiteral("its header has an impossible length");
    qsizetype widths = 1;  // the deletion flag
    for (qsizetype at = kHeaderSize; at + kDescriptorSize <= headerLength - 1; at += kDescriptorSize) {
        if (bytes[at] == '\r') break;
        widths += static_cast<unsigned char>(bytes[at + 16]);
    }
    if (recordLength == 0 || widths != recordLength)
        return QStringLiteral("its field widths do not fill a record");
    if (quint64(headerLength) + records * quint64(recordLength) > quint64(bytes.size()))
        return QStringLiteral("it is shorter than its records");
    return {};
}

constexpr qsizetype kDriverByte = 29;
constexpr char kMemoType = 'M';

struct DriverCodePage {
    unsigned char driver;
    const char* codePage;
};

// The language-driver bytes of the tables workshops wrote: DOS code pages and Windows ones.
constexpr DriverCodePage kDriverCodePages[] = {
    {0x00, "windows-1252"}, {0x01, "IBM437"},       {0x02, "IBM850"},       {0x03, "windows-1252"},
    {0x57, "windows-1252"}, {0x58, "windows-1252"}, {0x59, "windows-1252"}, {0x64, "IBM852"},
    {0x65, "IBM866"},       {0x66, "IBM865"},       {0x26, "IBM866"},       {0x37, "IBM850"},
    {0x6A, "IBM737"},       {0x6B, "IBM857"},       {0xC8, "windows-1250"}, {0xC9, "windows-1251"},
    {0xCA, "windows-1254"}, {0xCB, "windows-1253"},
};

class TextDecoder {
  public:
    explicit TextDecoder(const QString& codePage) : windows1252_(codePage == QLatin1String("windows-1252")) {
        if (!windows1252_) decoder_ = QStringDecoder(codePage.toLatin1().constData());
    }
    QString operator()(const char* raw) {
        if (windows1252_) return QString::fromStdString(cp1252::ToUtf8(raw));
        return decoder_.decode(QByteArrayView(raw));
    }

  private:
    bool windows1252_;
    QStringDecoder decoder_;
};

class RecordReader {
  public:
    RecordReader(DBFHandle dbf, TextDecoder& decode, std::vector<ImportProblem>& problems)
        : dbf_(dbf), decode_(decode), problems_(problems) {}

    // The customer's record, or nothing when a required field is empty (reported).
    std::optional<CustomerRecord> Read(int r, const std::array<int, kCustomerFieldCount>& columns) {
        record_ = r;
        CustomerRecord record;
        for (int f = 0; f < kCustomerFieldCount; ++f)
            if (columns[size_t(f)] >= 0) record.values[size_t(f)] = Value(columns[size_t(f)], f);
        record = Normalized(record);
        for (int f = 0; f < kCustomerFieldCount; ++f) Fit(record, f);
        if (const std::optional<int> missing = MissingRequiredField(record)) {
            Report(*missing, {}, QStringLiteral("the field is required; the record was not imported"), true);
            return std::nullopt;
        }
        return record;
    }

  private:
    void Report(int field, const QString& value, const QString& reason, bool leftOut = false) {
        problems_.push_back({record_ + 1, QLatin1String(FieldInfo(field).name), value, reason, leftOut});
    }

    QVariant Value(int column, int field) {
        if (DBFIsAttributeNULL(dbf_, record_, column)) return {};
        const char* raw = DBFReadStringAttribute(dbf_, record_, column);
        if (raw == nullptr) return {};
        const QString text = decode_(raw).trimmed();
        if (text.isEmpty()) return {};
        if (DBFGetNativeFieldType(dbf_, column) == kMemoType) {
            Report(field, text, QStringLiteral("a memo field's text is kept in another file, not read"));
            return {};
        }
        switch (FieldInfo(field).kind) {
            case FieldKind::Text:
                return text;
            case FieldKind::Number: {
                bool ok = false;
                const int n = text.toInt(&ok);
                if (ok && n >= 0 && n <= kMaxFieldNumber) return n;
                Report(field, text,
                       QStringLiteral("not a whole number from 0 to %1; left empty").arg(kMaxFieldNumber));
                return {};
            }
            case FieldKind::Date: {
                const QDate d = QDate::fromString(text, QStringLiteral("yyyyMMdd"));
                if (d.isValid()) return d;
                Report(field, text, QStringLiteral("not a date; left empty"));
                return {};
            }
        }
        return {};
    }

    // Cut as the window's edit would cut it, after upper-casing (which can lengthen a text).
    void Fit(CustomerRecord& record, int field) {
        const CustomerFieldInfo& info = FieldInfo(field);
        QVariant& v = record.values[size_t(field)];
        if (info.kind != FieldKind::Text || v.isNull() || v.toString().size() <= info.size) return;
        Report(field, v.toString(),
               QStringLiteral("longer than the field's %1 characters; cut").arg(info.size));
        v = v.toString().left(info.size);
    }

    DBFHandle dbf_;
    TextDecoder& decode_;
    std::vector<ImportProblem>& problems_;
    int record_ = 0;
};

}  // namespace

QString ImportProblem::Describe() const {
    return QStringLiteral("record %1, %2 '%3': %4").arg(record).arg(field, value, reason);
}

QString CodePageOfDriverByte(unsigned char driver) {
    for (const DriverCodePage& d : kDriverCodePages)
        if (d.driver == driver) return QLatin1String(d.codePage);
    return {};
}

LegacyTableContents ReadLegacyCustomerTable(const QString& path) {
    LegacyTableContents out;
    auto fail = [&](const QString& why) {
        out.error = QStringLiteral("%1: %2").arg(path, why);
        return out;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return fail(file.errorString());
    const QByteArray bytes = file.readAll();
    file.close();
    if (const QString why = LayoutProblem(bytes); !why.isEmpty()) return fail(why);
    const unsigned char driver = static_cast<unsigned char>(bytes[kDriverByte]);
    out.codePage = CodePageOfDriverByte(driver);
    if (out.codePage.isEmpty() || !QStringDecoder(out.codePage.toLatin1().constData()).isValid())
        return fail(QStringLiteral("its code page (language driver 0x%1) is not one this program reads")
                        .arg(driver, 2, 16, QLatin1Char('0')));

    SAHooks hooks;
    SASetupDefaultHooks(&hooks);
    hooks.Error = CaptureShapelibError;
    shapelibMessage.clear();
    std::unique_ptr<DBFInfo, DbfCloser> dbf(DBFOpenLL(path.toLocal8Bit().constData(), "rb", &hooks));
    if (!dbf)
        return fail(
            QString::fromStdString(shapelibMessage.empty() ? "shapelib cannot open it" : shapelibMessage));

    std::array<int, kCustomerFieldCount> columns;
    columns.fill(-1);
    bool any = false;
    for (int c = 0; c < DBFGetFieldCount(dbf.get()); ++c) {
        char name[XBASE_FLDNAME_LEN_READ + 1] = {};
        DBFGetFieldInfo(dbf.get(), c, name, nullptr, nullptr);
        if (const std::optional<int> field = FieldByName(QString::fromLatin1(name))) {
            columns[size_t(*field)] = c;
            any = true;
        }
    }
    if (!any) return fail(QStringLiteral("it has none of the customer table's fields"));

    TextDecoder decode(out.codePage);
    RecordReader reader(dbf.get(), decode, out.problems);
    for (int r = 0; r < DBFGetRecordCount(dbf.get()); ++r) {
        if (DBFIsRecordDeleted(dbf.get(), r)) continue;
        if (std::optional<CustomerRecord> record = reader.Read(r, columns)) out.records.push_back(*record);
    }
    out.ok = true;
    return out;
}

}  // namespace zov
