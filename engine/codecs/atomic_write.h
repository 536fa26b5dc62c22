// Test hook for the atomic writer: makes the next writes fail as a full disk would.
#pragma once

namespace pix {

// errno value the writer should fail with after writing `afterBytes` bytes; 0 turns it off.
void injectWriteFailureForTesting(int errnoValue, long long afterBytes = 0);

} // namespace pix
