#include "ZovctlHelp.h"

#include <algorithm>

namespace zov {

namespace {

constexpr int kSummaryColumn = 27;

const char* const kSynopsis =
    "usage: zovctl [--port DEVICE|COMn|USB] [--yes|--no] [--trace FILE] [--settings DIR] [--force]\n"
    "              COMMAND [ARGS]\n"
    "       zovctl help [COMMAND]\n"
    "       zovctl --version\n";

const char* const kOptions =
    "options:\n"
    "  --port DEVICE|COMn|USB   the ECU's port: COM1..COM4 (their devices from the settings store,\n"
    "                           Ports/COMn), a device path, or USB (the USB adapter); default COM1\n"
    "  --yes, --no              the answer to the link's and the model's questions; default --no\n"
    "  --trace FILE             log every byte on the line with its direction and time\n"
    "  --settings DIR           the settings store in DIR instead of the user's own\n"
    "  --force                  program even when the backup before it cannot be made\n"
    "  --help, -h               this text\n"
    "  --version                the program's name and version\n";

const char* const kEnvironment =
    "environment:\n"
    "  ZOV_TRACE=FILE           as --trace FILE when --trace is not given\n";

std::string CommandLine(const CommandHelp& c) {
    return std::string(c.name) + (*c.arguments ? " " : "") + c.arguments;
}

}  // namespace

const std::vector<CommandHelp>& CommandHelps() {
    static const std::vector<CommandHelp> commands{
        {"info", "", "identification of the ECU as KEY=value lines",
         "Prints MODELLO, NOME_PROGRAMMA, VERSIONE_CENTRALINA, TIPO_DI_CARBURANTE, CILINDRATA,\n"
         "ANNO_VETTURA and DATA_PROGRAMMA (an ISO date), one KEY=value line each."},
        {"get", "VAR [ELEMENT]", "a variable (arrays space-separated, tables one row per line)",
         "Reads variable VAR (0..255). A scalar prints one number, an array its elements separated\n"
         "by spaces, a table one row per line. ELEMENT picks one element of an array or one row of a\n"
         "table; table 51 is read by row only (get 51 ROW)."},
        {"set", "VAR VALUE...", "write a scalar, an array, or a table row (ROW then the values)",
         "Writes a scalar (one value), a whole array (all its values) or one table row\n"
         "(set 50 ROW v0 ... v19). Values are checked against the variable's range first."},
        {"record", "N [A B]", "a live record (150, 151, 152 with A and B)",
         "Reads live record 150 or 151, or 152 with its two argument bytes A and B, and prints\n"
         "its values on one line."},
        {"read", "DIR", "load the whole ECU and write fileh0.h, filemap0.map, filepar0.dat into DIR",
         "Loads the whole ECU into the model and writes the three definition files into DIR,\n"
         "which is created when missing."},
        {"write", "DIR", "load the three definition files of DIR into the model and the ECU",
         "Loads fileh0.h, filemap0.map and filepar0.dat of DIR into the model and the ECU, as\n"
         "loading a configuration does. A damaged file is refused and nothing after it is loaded."},
        {"dump", "", "load the whole ECU and print every model field as KEY=value",
         "Loads the whole ECU and prints every field of the model as KEY=value; numbered keys\n"
         "carry their indexes (RIF_LAMBDA_0, CL_<column>_<row>)."},
        {"fit", "POINTS.csv [--download] [--max-change PCT] [--locks FILE]",
         "fit the main map to rpm,map,value points and print it",
         "Loads the whole ECU, fits the main map through the operating points of POINTS.csv\n"
         "(rpm,map,value per line, map in hundredths of a volt; a first line that is not numeric is\n"
         "a header) and prints the fitted map as 16 lines of 20 integers, map row 0 first. Nothing\n"
         "is written to the ECU unless --download is given: then the whole map goes to the ECU and\n"
         "the self-adaptation is reset. Points that cannot carry a surface exit with status 5.\n"
         "--max-change PCT keeps every cell within PCT percent of the ECU's map (the number of\n"
         "capped cells goes to stderr); --locks FILE (\"row,col\" per line, 0-based) keeps those\n"
         "cells at the ECU's value."},
        {"map-replay", "LOG.csv [--config FILE.zvf] [--fit OUT.csv] [--locks FILE] [--min-samples N ...]",
         "run the automatic mapping's acquisition over a recorded mapping drive",
         "Replays a mapping datalog (zovctl log --record 152) through the automatic mapping's\n"
         "sample filters, with the axes, map and lambda settings of FILE.zvf or of the connected\n"
         "ECU. Prints POINT zone=Z rpm=R map=M value=V per zone point, REJECTED reason=NAME\n"
         "count=N for every filter, then POINTS=n. --fit OUT.csv writes the map fitted through the\n"
         "points (16 lines of 20 values), bound by --max-change and --locks, and prints CAPPED=n.\n"
         "Thresholds: --min-samples, --min-span-ms, --lambda-still-ms, --integrator-limit,\n"
         "--tps-rate, --map-rate, --enrichment-hold-ms, --reducer-min-c, --edge-percent,\n"
         "--max-change. A log without the columns the replay needs exits with status 2."},
        {"diff", "A B", "print the fields that differ between two configurations (status 1 if any)",
         "Compares two configurations, each a configuration file (.zvf), a folder with the three\n"
         "definition files, or \"ecu\" (the connected ECU, loaded whole as dump does), and prints\n"
         "every field that differs as KEY<TAB>A value<TAB>B value, in the order dump prints the\n"
         "fields. Exits 0 when they are equal and 1 when they differ. Nothing is written to any\n"
         "ECU or file; a damaged file exits with status 4 before the ECU is reached."},
        {"report", "OUT.pdf [--from FILE.zvf]", "print the configuration report (five pages) into a PDF",
         "Writes the printed configuration report, all five pages (the vehicle configuration's\n"
         "three, the maps, the parameters, numbered 1 to 5), into OUT.pdf as one PDF file. The\n"
         "configuration is the connected ECU's, loaded whole as dump does, or with --from that of a\n"
         "saved configuration (.zvf) or a folder with the three definition files, which needs no\n"
         "ECU. OUT.pdf is replaced only once it is complete; a damaged file exits with status 4.\n"
         "Variables the ECU refused are named on stderr and end the run with status 6 once the\n"
         "file is written."},
        {"log", "OUT.csv|OUT.mlg [--seconds N] [--record 150|151|152]", "record a live record to a datalog",
         "Reads the record (150 unless --record says otherwise; 152 for cell 0 0) back to back as\n"
         "fast as the line allows, for N seconds or until SIGINT or SIGTERM, and writes one row per\n"
         "record to OUT.csv, which must not exist: t_ms (milliseconds from the start) first, then\n"
         "one column per field in volts, bar, rpm or degrees C. A name ending in .mlg writes the\n"
         "MLG binary log (\"MLVLG\" version 1) instead, with a Time channel in seconds. Every row\n"
         "is written whole as it is read, so the file is complete however the run ends. Prints\n"
         "RECORDS=n and RATE=x.x (records per second). A lost session ends the log with status 1\n"
         "after the counts."},
        {"convert-log", "IN.csv OUT.mlg", "convert a CSV datalog to an MLG binary log",
         "Reads the CSV datalog IN.csv (a damaged line refuses it with its number, status 4) and\n"
         "writes it as the MLG binary log OUT.mlg (\"MLVLG\" version 1), which must not exist: the\n"
         "same channels, names and units, a Time channel in seconds, the markers as MLG markers.\n"
         "Prints RECORDS=n and MARKERS=n. A failure leaves no OUT.mlg. Needs no ECU."},
        {"save-config", "OUT.zvf", "load the whole ECU and save its configuration file",
         "Loads the whole ECU and saves it as a configuration file, as \"Salva configurazione\"\n"
         "does."},
        {"load-config", "IN.zvf", "load a configuration file into the model and the ECU",
         "Loads a configuration file into the model and the ECU, as \"Carica configurazione\"\n"
         "does. A damaged or short file is refused whole."},
        {"program", "FILE", "reprogram the ECU (a packed .zov file, or S-records if the name has s19)",
         "Reprograms the ECU through its boot loader: a packed .zov file, or plain S-records when\n"
         "the name contains \"s19\". The file is checked whole first; a bad one never reaches the\n"
         "ECU. The ECU's configuration is first read whole and saved as a backup in Config/Backup/\n"
         "of the runtime directory (the settings store's MainPath, else $XDG_DATA_HOME/zovqbr; the\n"
         "newest 50 of each vehicle are kept); its path goes to stderr. Without a backup (a blank\n"
         "ECU, a refused variable, a full disk) nothing is programmed unless --force is given. The\n"
         "progress bar goes to stderr; prints RECORDS=n and BYTES=n."},
        {"pack-config", "DIR OUT.zvf", "pack the three definition files of DIR into a configuration file",
         "Packs fileh0.h, filemap0.map and filepar0.dat of DIR into a configuration file. Needs\n"
         "no ECU."},
        {"unpack-config", "IN.zvf DIR", "unpack a configuration file into DIR; prints its vehicle header",
         "Unpacks a configuration file into DIR and prints its vehicle header (MODELLO,\n"
         "NOME_PROGRAMMA, TIPO_DI_CARBURANTE, CILINDRATA, ANNO_VETTURA) as KEY=value lines. Needs\n"
         "no ECU."},
        {"unpack-ecu", "IN.zov OUT", "unpack a packed ECU file (three header lines, then the S-records)",
         "Unpacks a packed ECU file into OUT: three header lines, then the S-records. Needs no\n"
         "ECU."},
        {"vehicles", "[--archive DIR]", "list the vehicle archive: fuel, brand, display name, file name",
         "Lists the vehicle archive as the archive window shows it, one vehicle a line:\n"
         "fuel<TAB>brand<TAB>display name<TAB>file name, the fuel GPL or Metano, in the window's order\n"
         "(LPG first, brands alphabetically, a brand's S-record files before its packed files). The\n"
         "archive is the Vetture folder of the runtime directory unless --archive names another. Needs\n"
         "no ECU; a folder that cannot be read exits with status 4."},
        {"customers",
         "init | import FILE.DBF | list [--field NAME --prefix TEXT] [--date CONDITION] | export OUT.csv | "
         "move --to sqlite|postgres [--host H] [--port N] [--database D] [--user U] [--ssl-mode M]",
         "the customer archive: import an older dBASE table, list, export as CSV, move",
         "Works on the customer archive of the runtime directory (Clienti/dbcli.sqlite, or the\n"
         "PostgreSQL archive the settings store's group CustomerArchive names). Needs no ECU.\n"
         "import adds the records of an older installation's dBASE table (dbcli.DBF); the table is\n"
         "only read. list prints one record per line, the 15 fields tab-separated in the table's\n"
         "order (dates as ISO dates), in surname order; --field NAME --prefix TEXT keeps the records\n"
         "whose field begins with TEXT (case ignored), --date CONDITION those whose date field\n"
         "compares so: [DATA_INST|DATA_PROG] then =, < or > then a date (2002-03-01 or 1/3/2002),\n"
         "DATA_INST when no field is named. A refused condition exits with status 2 and changes\n"
         "nothing. export writes every record as CSV (a header line of the field names, UTF-8).\n"
         "init makes the archive, or brings an older one up to date, once, as the table's owner.\n"
         "move copies the archive in use, customers and cars' history with their ids, into an empty\n"
         "one (--to postgres with the server's --database, --host, --port, --user, --ssl-mode, or\n"
         "--to sqlite, Clienti/dbcli.sqlite) in one transaction, all or nothing, and makes it the\n"
         "archive in use; a target that already holds customers is refused. The old archive stays.\n"
         "An archive in use by the program or another zovctl exits with status 4."},
        {"history",
         "[--plate P | --serial S] | get ID OUT.zvf | add FILE [--plate P] [--serial S] [--customer C] "
         "[--installation]",
         "the cars' stored configurations in the customer archive: list, write one, store one",
         "Lists the configurations stored in the customer archive's database (backups before a\n"
         "reprogramming and installation records, from every bench sharing the archive), newest\n"
         "first, one a line: id, kind, time (UTC), bench, plate, serial number, customer, vehicle,\n"
         "file name, tab-separated; --plate or --serial keeps one car's. get writes entry ID whole\n"
         "to OUT.zvf; add stores FILE with the car's plate and serial number (--customer C,\n"
         "--installation for an installation record) and prints its id. Needs no ECU."},
        {"update", "FOLDER | --manifest ROOT | --url URL [--ca FILE] [--key PUBLIC.key]",
         "install the newer archive files of an update folder, manifest or server",
         "Installs the newer files of an update folder into the runtime directory: FOLDER/ZOV/Schede\n"
         "into Schede, FOLDER/ZOV/Software into Vetture, FOLDER/ZOV/Map into Map, sub-folders\n"
         "included; with --manifest, the files ROOT/ZOV.txt names, one \"name=destination\" line\n"
         "each, the destination starting with <VETTURE>, <SCHEDE> or <MAPPATURA>. A file is copied\n"
         "only when its version (the three characters after the last \"_\") is greater, by\n"
         "character codes, than every installed version of the same name. Prints \"COPIED path\" per\n"
         "installed file and \"REMOVED path\" per older version it replaced, relative to the runtime\n"
         "directory; an older version is removed only once its replacement is complete. Nothing\n"
         "newer prints nothing and exits with status 0. A manifest line that reaches outside ROOT or\n"
         "the archive folders exits with status 4 before anything is copied or removed, as does a\n"
         "folder without ZOV; a failed copy exits with status 4 and keeps the installed version.\n"
         "With --url, the publication at the https:// address URL (see publish): its ZOV.index must\n"
         "carry the signature of a key listed in the runtime directory's ChiaviAggiornamento.txt or\n"
         "given with --key, a sequence number not below the last installed, and paths inside the\n"
         "three folders, else nothing is downloaded; the newer files are downloaded into the\n"
         "private temporary folder (an interrupted download resumes at the next run), each checked\n"
         "against its size and SHA-256 (fetched again once), and installed only when all are good.\n"
         "--ca FILE trusts the certificates of FILE besides the system's. Refused with status 4\n"
         "while the ECU is being programmed or a mapping is open. Needs no ECU."},
        {"publish", "FOLDER OUT --key SECRET.key",
         "a signed publication of an update folder for a web server",
         "Copies FOLDER/ZOV/Schede, /Software and /Map to OUT/ZOV (OUT may be FOLDER) and writes\n"
         "OUT/ZOV.index (each file's path, size and SHA-256, a sequence number higher than the\n"
         "last publication's, the date) and its Ed25519 signature OUT/ZOV.index.sig. Serve OUT\n"
         "with any static web server over HTTPS. Prints SEQUENCE=n and FILES=count."},
        {"keygen", "PUBLIC.key SECRET.key", "a new key pair for signing publications",
         "Writes a new Ed25519 key pair: PUBLIC.key to add to the benches' ChiaviAggiornamento.txt\n"
         "(or give to update --key), SECRET.key (mode 0600) for publish. Existing files are never\n"
         "overwritten."},
        {"basemap", "CC [--fuel gpl|metano] [--library DIR] [--write]",
         "the base map for an engine displacement, from the base-map library",
         "Prints the base map the parameter editor loads for a vehicle outside the archive with\n"
         "displacement CC: the library file of that displacement, or the cells on the line through\n"
         "the two nearest files with their axes averaged. 16 lines of 20 cells (0..720, MAP row 0\n"
         "first), then MAP= and the 16 MAP axis values, then RPM= and the 20 RPM axis values. The\n"
         "library is the runtime directory's Map/GPL (or Map/Metano with --fuel metano) unless\n"
         "--library names another. Needs no ECU unless --write, which writes the cells and both axes\n"
         "to it. A displacement outside 500..20000, no library file or a damaged chosen file exits\n"
         "with status 5."},
        {"help", "[COMMAND]", "this text, or the usage of one command",
         "Prints the usage of COMMAND, or the whole usage without one."},
    };
    return commands;
}

const std::vector<ExitStatusHelp>& ExitStatusHelps() {
    static const std::vector<ExitStatusHelp> statuses{
        {0, "success"},
        {1,
         "link failure: no ECU answers, the port cannot be opened, or the session was lost; diff: "
         "the configurations differ"},
        {2, "bad usage or argument"},
        {3, "refused by the ECU"},
        {4, "a file is damaged, or cannot be read or written; customers: the archive is in use"},
        {5, "impossible with this data (fit: the points do not span a surface)"},
        {6,
         "the ECU refused variables during a whole read or write; the output, or what the ECU holds, is "
         "incomplete"},
    };
    return statuses;
}

std::string Usage() {
    std::string text = kSynopsis;
    text += kOptions;
    text += "commands:\n";
    for (const CommandHelp& c : CommandHelps()) {
        std::string line = "  " + CommandLine(c);
        line.resize(std::max<size_t>(line.size() + 1, kSummaryColumn), ' ');
        text += line + c.summary + "\n";
    }
    text += kEnvironment;
    text += "exit status:\n";
    for (const ExitStatusHelp& s : ExitStatusHelps())
        text += "  " + std::to_string(s.status) + "  " + s.meaning + "\n";
    text += "A failure prints one line \"zovctl: reason\" on stderr.\n";
    return text;
}

std::optional<std::string> CommandUsage(const std::string& name) {
    for (const CommandHelp& c : CommandHelps()) {
        if (name == c.name) return "usage: zovctl [OPTION]... " + CommandLine(c) + "\n" + c.details + "\n";
    }
    return std::nullopt;
}

std::string VersionText() { return std::string("zovctl (ZOV Qbr) ") + ZOV_VERSION + "\n"; }

}  // namespace zov
