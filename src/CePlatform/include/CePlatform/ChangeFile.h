// Change files: the net change of the registry between two of its states, as the operations of a
// registry file (written with FormatRegFileOps), and the same change as provisioning XML, which a
// phone's configuration manager applies.
#pragma once

#include <CePlatform/Api.h>
#include <CePlatform/Device.h>
#include <CePlatform/RegFile.h>
#include <CePlatform/RegistryTypes.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ce {

// The operations that take a registry from the state `from` to the state `to` (each a list of
// keys with their values, as ExportKeys gives them, in any order), sorted as ExportKeys sorts:
//   - a key that `to` lacks, or holds under a name that differs in case, is deleted ("[-KEY]",
//     which takes its subkeys along: only the topmost such key is named);
//   - a key that `from` lacks, or holds under a name that differs in case, is created ("[KEY]")
//     with all its values;
//   - a key that both hold gets its key line, then a deletion for each value that `to` lacks and
//     the value for each one that is new or differs; a name that differs only in case is deleted
//     and written again, so that it takes the new case. A key whose values are all the same is
//     left out.
// Names are compared as the registry compares them (FoldCase). The root keys are in both states,
// listed or not. A key that neither state lists counts as the same in both, so that states that
// hold only the keys that may differ give the same operations as whole ones.
CEPLATFORM_API std::vector<RegFileOp> RegistryDiff(const std::vector<RegKey>& from,
                                                   const std::vector<RegKey>& to);

enum class ChangeDirection {
    kForward,  // from the registry at the sequence number to the registry now
    kUndo,     // from now back to the registry at the sequence number
};

// The registry's net change since the change log's entry `sinceSeq` (0: since the log began), as
// RegistryDiff gives it: what changed and changed back, and keys created and deleted again, are
// not in it. The registry at `sinceSeq` is worked out from the log, which holds the data before
// and after each write, and each value that a key's deletion took: the registry now, with the
// later changes undone newest first, for the keys that they touch. The log and the registry are
// read in one read transaction, a state the device really was in. Throws DeviceError when
// `sinceSeq` is negative or beyond the log's end, or when the log after it holds an entry that is
// no registry write (the registry before such an entry is not in the log).
CEPLATFORM_API std::vector<RegFileOp> RegistryChangeSince(const Device& device, int64_t sinceSeq,
                                                          ChangeDirection direction);

// The operations as a provisioning document for a phone's configuration manager:
//
//   <wap-provisioningdoc>
//     <characteristic type="Registry">
//       <characteristic type="HKLM\Software\Quenvale">
//         <parm name="Number" value="31" datatype="integer"/>
//         <noparm name="Gone"/>
//       </characteristic>
//       <nocharacteristic type="HKCU\Obsolete"/>
//     </characteristic>
//   </wap-provisioningdoc>
//
// One characteristic for each key line, its type the key's path with the root written HKLM, HKCU
// or HKCR, as the configuration manager's registry names them; the default value is the parm
// whose name is empty. Data is written losslessly or not at all: REG_DWORD of 4 bytes as
// "integer" (decimal), REG_SZ holding one terminated text as "string", REG_MULTI_SZ as
// "multiplestring" when it is a list of terminated texts ended by one more zero (the texts
// separated by U+F000), REG_BINARY as "binary" (base64). Text is escaped as XML requires; tab, line
// feed and carriage return as character references, which keep them in an attribute. A value of
// another type, or whose name or data holds what XML 1.0 cannot carry (another control character, a
// lone surrogate, U+FFFE, U+FFFF; U+F000 inside a multiplestring's text), is left out, and a key
// whose name holds such a character is left out with its values; each is described in *leftOut with
// the reason.
CEPLATFORM_API std::string FormatProvXml(const std::vector<RegFileOp>& ops,
                                         std::vector<std::string>* leftOut = nullptr);

}  // namespace ce
