#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "BootProtocol.h"
#include "ComProt.h"
#include "EcuVariables.h"
#include "WriteOutcome.h"

namespace zov {

// The link object of the program: the ECU's variable commands over the frame protocol.
// Every command needs an open session; failures land in ErrorFlags() (ERR_NOT_AVAILABLE for a
// refused or unknown variable), a lost session shows as IsConnected() false.
class ComInj : public ComProt {
  public:
    ComInj(int portIndex, int baudIndex, SerialOpener& opener, Clock& clock, Prompter& prompter);
    ~ComInj() override;

    // Scalars: the value. Arrays: 0, elements in values. Tables 50/131: the row count, cells in
    // values row by row.
    int32_t ReadVar(int index, int32_t* values);
    // Arrays: the element (also stored in values[element]). Tables: one row into values[0..].
    int32_t ReadVarElement(int index, int element, int32_t* values);
    // Records 150, 151, 152 (a and b only for 152); size is the capacity of record.
    bool ReadRecord(int index, int32_t* record, int size, int a = 0, int b = 0);
    // Writes: whether the ECU took the value, refused it, or could not be asked.
    WriteOutcome WriteVar(int index, int32_t value);
    WriteOutcome WriteArray(int index, const int32_t* values);
    WriteOutcome WriteTableRow(int index, int row, const int32_t* values);
    WriteOutcome WriteVarElement(int index, int element, int32_t value);
    WriteOutcome WriteTableCell(int index, int row, int column, int32_t value);

    // --- Boot loader (BootLoader.cpp) -------------------------------------------------------
    // The firmware is replaced through the ECU's boot loader, which takes single-byte commands
    // and raw S-records, each answered by a status byte and the same byte again. These
    // operations set the session state themselves; IsProgramming() holds from StartProgramming until
    // EndProgramming or a failed record. A text list with exactly three entries replaces the
    // built-in Italian texts of an operation; boxes carry AppTitle() as caption.
    static constexpr uint8_t kBootRequestCode = boot::kBootRequestCode;

    // Gets the ECU into its boot loader: through the running program (variable 59 := code, then
    // a 2 s wait, or the texts[0] box asking for a supply off/on on data versions up to 7), or,
    // when no program answers, by synchronising with a boot loader already running.
    bool EnterBootMode(uint8_t code, const std::vector<std::string>& texts = {});
    // The boot loader's version; -1 when it does not answer or refuses, 0 when the port cannot
    // be opened.
    int QueryBootLoader();
    bool EraseFlash(const std::vector<std::string>& texts = {});
    bool StartProgramming(const std::vector<std::string>& texts = {});
    // One record line without its line end. An S1 record below 0x8000 is skipped (true, nothing
    // sent); a line that is not an S-record is refused without sending anything.
    bool SendSRecord(std::string_view record);
    // Closes the port and clears the session and programming states; true when the boot loader
    // confirmed the end with a good answer checksum.
    bool EndProgramming();
    // Why the last of these operations failed; None after one that succeeded.
    boot::Failure LastBootFailure() const { return bootFailure_; }

  private:
    // Sends one boot command with its checksum and reads the status and its repetition; returns
    // what the exchange means should its operation fail.
    boot::Failure BootCommand(uint8_t opcode, uint32_t extraWaitMs, uint8_t& status, uint8_t& second);

    bool Ready(int index) const;
    void NotAvailable() { SetErrorFlags(ERR_NOT_AVAILABLE); }
    // Reads `count` elements of `kind` into `out` as the answer arrives.
    void ReadElements(VarKind kind, int count, int32_t* out);
    WriteOutcome WriteResult(const Request& request);
    // A write that cannot be sent: refused while the session could take it, lost otherwise.
    WriteOutcome Unsent(int index) const;
    WriteOutcome RefusedHere(int32_t flag) {
        if (flag == ERR_NOT_AVAILABLE)
            NotAvailable();
        else
            AddErrorFlags(flag);
        return WriteOutcome::Refused;
    }
    static void AppendValues(Request& request, VarKind kind, const int32_t* values, int count);

    boot::Failure bootFailure_ = boot::Failure::None;
};

}  // namespace zov
