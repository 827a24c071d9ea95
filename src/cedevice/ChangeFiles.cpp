#include "ChangeFiles.h"

#include <CePlatform/ChangeFile.h>

#include <iostream>
#include <string>
#include <vector>

int WriteChangeFile(const ce::Device& device, int64_t sinceSeq, ChangeFileFormat format,
                    bool undo) {
    const std::vector<ce::RegFileOp> ops = ce::RegistryChangeSince(
        device, sinceSeq, undo ? ce::ChangeDirection::kUndo : ce::ChangeDirection::kForward);
    std::vector<std::string> leftOut;
    if (format == ChangeFileFormat::kReg) {
        std::cout << ce::FormatRegFileOps(ops, &leftOut);
        for (std::string& what : leftOut) what += " (a registry file cannot carry its name)";
    } else {
        std::cout << ce::FormatProvXml(ops, &leftOut);
    }
    for (const std::string& what : leftOut) std::cerr << "cedevice: left out " << what << '\n';
    return leftOut.empty() ? 0 : 1;
}
