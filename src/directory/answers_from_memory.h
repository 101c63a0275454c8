#pragma once

namespace orlentis {

// Whether logins and admissions are answered from what was remembered of a PostgreSQL
// directory: it cannot be used now, and has not been for longer than [DATABASE] CACHEDLOGINS
// seconds (0: never). A SQLite file under repair is not waited out that way: it is back soon.
bool DirectoryAnsweredFromMemory();

}  // namespace orlentis
