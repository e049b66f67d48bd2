#include "DictionaryTable.h"

#include <shapefil.h>
#include <strings.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>

namespace zov {

namespace {

constexpr std::size_t kHeaderSize = 32;
constexpr std::size_t kDescriptorSize = 32;
// Far above any dictionary; keeps a wrong file from being read into memory whole.
constexpr std::uintmax_t kMaxFileSize = 64u * 1024u * 1024u;

// shapelib reports through a hook without a context pointer; the dictionary is read on one thread
// at a time per thread, so a thread-local buffer is enough.
thread_local std::string shapelibMessage;

void CaptureShapelibError(const char* message) { shapelibMessage = message != nullptr ? message : ""; }

struct DbfCloser {
    void operator()(DBFInfo* handle) const { DBFClose(handle); }
};
using DbfPtr = std::unique_ptr<DBFInfo, DbfCloser>;

unsigned Le16(const std::string& b, std::size_t at) {
    return static_cast<unsigned char>(b[at]) |
           (static_cast<unsigned>(static_cast<unsigned char>(b[at + 1])) << 8);
}

std::uint32_t Le32(const std::string& b, std::size_t at) {
    return Le16(b, at) | (static_cast<std::uint32_t>(Le16(b, at + 2)) << 16);
}

// The checks shapelib relies on without making: the header, the field descriptors and the records
// all lie inside the file and the field widths fill the record exactly.
bool CheckLayout(const std::string& bytes, std::string& why) {
    if (bytes.size() < kHeaderSize + kDescriptorSize + 1) {
        why = "the file is too short to be a dBASE table";
        return false;
    }
    const unsigned version = static_cast<unsigned char>(bytes[0]);
    if ((version & 0x07) != 0x03) {
        why = "the file is not a dBASE III/IV table";
        return false;
    }
    const std::uint64_t records = Le32(bytes, 4);
    const std::size_t headerLength = Le16(bytes, 8);
    const std::size_t recordLength = Le16(bytes, 10);
    if (headerLength < kHeaderSize + kDescriptorSize + 1 || headerLength > bytes.size()) {
        why = "the table header has an impossible length";
        return false;
    }
    // shapelib counts one field per 32 header bytes after the first 32.
    const std::size_t fields = (headerLength - kHeaderSize) / kDescriptorSize;
    std::size_t widths = 0;
    for (std::size_t f = 0; f < fields; ++f) {
        const std::size_t at = kHeaderSize + f * kDescriptorSize;
        const char type = bytes[at + 11];
        const unsigned low = static_cast<unsigned char>(bytes[at + 16]);
        const unsigned high = static_cast<unsigned char>(bytes[at + 17]);
        widths += (type == 'N' || type == 'F') ? low : low + 256 * high;
    }
    if (recordLength < 2 || widths + 1 != recordLength) {
        why = "the field widths do not match the record length";
        return false;
    }
    if (headerLength + records * recordLength > bytes.size()) {
        why = "the table is truncated (it announces " + std::to_string(records) + " records)";
        return false;
    }
    return true;
}

}  // namespace

std::optional<DictionaryTable> ReadDictionaryTable(const std::string& path, std::string& error) {
    const auto fail = [&](const std::string& why) {
        error = "Cannot read the dictionary \"" + path + "\": " + why + ".";
        return std::nullopt;
    };

    std::ifstream in(path, std::ios::binary);
    if (!in) return fail(std::strerror(errno));
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) return fail("the file cannot be measured");
    if (static_cast<std::uintmax_t>(size) > kMaxFileSize) return fail("the file is too large");
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.seekg(0);
    if (!in.read(bytes.data(), size)) return fail("the file cannot be read");
    in.close();

    std::string why;
    if (!CheckLayout(bytes, why)) return fail(why);

    SAHooks hooks;
    SASetupDefaultHooks(&hooks);
    hooks.Error = CaptureShapelibError;
    shapelibMessage.clear();
    DbfPtr dbf(DBFOpenLL(path.c_str(), "rb", &hooks));
    if (!dbf) return fail(shapelibMessage.empty() ? std::string("shapelib cannot open it") : shapelibMessage);

    DictionaryTable table;
    const int fieldCount = DBFGetFieldCount(dbf.get());
    for (int f = 0; f < fieldCount; ++f) {
        char name[XBASE_FLDNAME_LEN_READ + 1] = {};
        int width = 0;
        int decimals = 0;
        DBFGetFieldInfo(dbf.get(), f, name, &width, &decimals);
        if (DBFGetNativeFieldType(dbf.get(), f) != 'C') {
            return fail(std::string("the column \"") + name + "\" is not a character column");
        }
        table.fields.emplace_back(name);
    }
    if (table.fields.empty() || strcasecmp(table.fields[0].c_str(), "IDENTIF") != 0) {
        return fail("its first column is not IDENTIF");
    }
    if (table.fields.size() < 2) return fail("it has no language column");

    const int recordCount = DBFGetRecordCount(dbf.get());
    for (int r = 0; r < recordCount; ++r) {
        if (DBFIsRecordDeleted(dbf.get(), r)) continue;
        std::vector<std::string> row;
        row.reserve(table.fields.size());
        for (int f = 0; f < fieldCount; ++f) {
            const char* text = DBFReadStringAttribute(dbf.get(), r, f);
            if (text == nullptr) return fail("record " + std::to_string(r + 1) + " cannot be read");
            row.emplace_back(text);
        }
        table.rows.push_back(std::move(row));
    }
    return table;
}

}  // namespace zov
