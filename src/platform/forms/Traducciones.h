#pragma once

namespace corvanta {

// The toolkit's own texts (a text box's context menu, a dialog's buttons) in Spanish, as the
// suite speaks, whatever the number format chosen. False when the system lacks them.
bool TraduceTextosQt();

} // namespace corvanta
