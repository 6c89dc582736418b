// The library database format: the statements that make a new library, in the order they
// run, and the query texts of the record sets over its tables.
#pragma once

#include <array>
#include <string>

namespace ny {

// The eight creation steps, each run as one script: LSTDOC; LSTSHW and its 4 rows; LSTARC and
// its 4 rows (USE left NULL); LSTSBJ and its 29 rows (DIR equal to NAM); the trigger
// TBU_LSTSBJ, which refuses any update of a subject whose old NAM is the SUBJ of a document
// (text equality, letter case counts) with kTriggerMessage.
const std::array<std::string, 8>& LibrarySchemaSteps();

inline constexpr const char* kTriggerMessage =
    "Cannot update: table \"LSTDOC\" contains records references to table \"LSTSBJ\"";

inline constexpr const char* kLstSbjQuery = "select RowId,* from LSTSBJ order by NAM";
inline constexpr const char* kLstArcQuery = "select Rowid,* from LSTARC order by NAM";

}  // namespace ny
