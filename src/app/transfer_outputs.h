#pragma once
// --transfer OUT.csv and --impulse OUT.wav of zevrin --analyse: the transfer function,
// the distortion apart from noise and the impulse response of a recording made with
// the test signal, as the "Transfer function" window shows them.

#include "engine/analyser.h"

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace zevrin {

class SafeFile;
class TDistortion;
class TTransferFunction;

struct TTransferOutputs {
    std::string transfer; ///< the table of engine/transfer_export.h
    std::string impulse;  ///< a 32-bit float WAV, or the table when the name ends in ".csv"
    bool any() const { return !transfer.empty() || !impulse.empty(); }
};

/// When args[i] is --transfer or --impulse, reads it and its file name (i then stands
/// on the name) and returns true; std::invalid_argument without a name.
bool parse_transfer_output(const std::vector<std::string>& args, size_t& i,
                           TTransferOutputs& outputs);

/// The two options explained, for the command's help.
std::string transfer_outputs_help();

/// The table of the transfer function and the distortion (engine/transfer_export.h)
/// through the program's file writer; std::runtime_error "Cannot write "PATH": why".
void write_transfer_file(const std::string& path, const TTransferFunction& tf,
                         const TDistortion& distortion);
/// The impulse response: a 32-bit float WAV at the sampling frequency, or the table
/// when the name ends in ".csv"; errors as write_transfer_file.
void write_impulse_file(const std::string& path, const TTransferFunction& tf);

/// The output files, opened before a long analysis so that a target that will be
/// refused is known at once; nothing appears under their names unless complete.
class TTransferFiles {
public:
    /// Opens them; error() says why one cannot be written.
    explicit TTransferFiles(const TTransferOutputs& outputs);
    ~TTransferFiles();
    const std::string& error() const { return ferror; }

    /// Computes the transfer function and the distortion from the analyser's
    /// averages (in mono against the period the program plays first after its start,
    /// which is what --write-test-signal writes), writes the files and their figures to
    /// `report`. std::runtime_error when they cannot be computed or written.
    void write(TAnalyser& analyser, std::ostream& report);

private:
    TTransferOutputs foutputs;
    std::unique_ptr<SafeFile> ftransfer;
    std::unique_ptr<SafeFile> fimpulse;
    std::string ferror;
};

} // namespace zevrin
