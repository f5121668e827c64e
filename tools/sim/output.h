// What mirtex-sim writes: Touchstone files, CSV, a table for the terminal,
// and files that appear only when complete.
#pragma once

#include <optional>
#include <string>

#include "sim/analysis.h"

namespace mirtex::sim {

enum class NumberFormat { MA, DB, RI };

struct OutputOptions {
    ParamKind kind = ParamKind::S;
    NumberFormat format = NumberFormat::MA;
    std::string freq_unit = "GHz";  // Hz, kHz, MHz or GHz
    std::string comment;            // first comment line (e.g. the netlist's name)
};

// Hz per unit of a frequency unit name (case-insensitive); 0 when unknown.
double freq_unit_scale(const std::string& unit);

// A Touchstone file.  Version 1 when every port has the same reference
// resistance, else version 2 with a [Reference] line.  Version 1 writes Y and
// Z normalised to R, as that version defines; version 2 writes them in
// siemens and ohms.  Throws std::domain_error when Y or Z does not exist.
std::string touchstone(const NetworkData& d, const OutputOptions& o);

// Comma-separated values: a header line, then one line per frequency (in Hz)
// with every parameter, row by row.
std::string csv(const NetworkData& d, const OutputOptions& o);

// A readable fixed-width table for the terminal.
std::string table(const NetworkData& d, const OutputOptions& o);

// A file written under a temporary name next to its destination and renamed
// onto it by commit(); destroyed before that, it leaves nothing behind.
class PendingFile {
public:
    // Writes content to the temporary file; throws std::runtime_error.
    PendingFile(const std::string& path, const std::string& content);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    void commit();  // throws std::runtime_error
    const std::string& temp_path() const { return temp_; }

private:
    std::string path_, temp_;
    std::optional<std::string> direct_;  // content for a device or pipe
    bool done_ = false;
};

}  // namespace mirtex::sim
