// mirtex-sim table: the calculation files of a table directory checked,
// listed, repaired and merged by the model library's own table tool.
#pragma once

namespace mirtex::sim {

// argv[0] is "table"; returns mirtex-sim's exit code.
int table_main(int argc, char** argv, const char* library_path);

}  // namespace mirtex::sim
