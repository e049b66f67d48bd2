#pragma once

#include <QString>

#include "ArchiveLocation.h"

namespace zov {

// Moves the customer archive from one place to another (an SQLite file into an empty PostgreSQL
// database when a workshop starts sharing it, or back), all or nothing: the target is filled in
// one transaction that either commits every customer, every history entry and the archive's
// notes, with their ids and row versions, or leaves the target as it was. The source is only
// read, in one snapshot. The target must hold no customers and no history; an SQLite file the
// move made and could not fill is removed again. This computer's archive lock is held
// throughout, so neither the window nor zovctl changes the source meanwhile.
class ArchiveMove {
  public:
    enum class Status { Moved, SamePlace, NoSource, TargetNotEmpty, InUse, Failed };
    struct Outcome {
        Status status = Status::Failed;
        QString error;  // why, when not Moved
        qint64 customers = 0;
        qint64 history = 0;
    };

    static Outcome Run(const ArchiveLocation& from, const ArchiveLocation& to);
};

}  // namespace zov
