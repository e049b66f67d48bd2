#include "LegacyCustomerTable.h"

#include <shapefil.h>

#include <QFile>
#include <memory>

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

QVariant ValueOf(DBFHandle dbf, int record, int column, FieldKind kind) {
    if (DBFIsAttributeNULL(dbf, record, column)) return {};
    const char* raw = DBFReadStringAttribute(dbf, record, column);
    if (raw == nullptr) return {};
    const QString text = QString::fromStdString(cp1252::ToUtf8(raw)).trimmed();
    if (text.isEmpty()) return {};
    switch (kind) {
        case FieldKind::Text:
            return text;
        case FieldKind::Number: {
            bool ok = false;
            const int n = text.toInt(&ok);
            return ok && n >= 0 && n <= kMaxFieldNumber ? QVariant(n) : QVariant();
        }
        case FieldKind::Date: {
            const QDate d = QDate::fromString(text, QStringLiteral("yyyyMMdd"));
            return d.isValid() ? QVariant(d) : QVariant();
        }
    }
    return {};
}

}  // namespace

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

    for (int r = 0; r < DBFGetRecordCount(dbf.get()); ++r) {
        if (DBFIsRecordDeleted(dbf.get(), r)) continue;
        CustomerRecord record;
        for (int f = 0; f < kCustomerFieldCount; ++f) {
            if (columns[size_t(f)] < 0) continue;
            QVariant v = ValueOf(dbf.get(), r, columns[size_t(f)], FieldInfo(f).kind);
            if (FieldInfo(f).kind == FieldKind::Text && v.toString().size() > FieldInfo(f).size)
                v = v.toString().left(FieldInfo(f).size);
            record.values[size_t(f)] = v;
        }
        out.records.push_back(Normalized(record));
    }
    out.ok = true;
    return out;
}

}  // namespace zov
