#pragma once

namespace fen {

// Hands the memory the allocator keeps free back to the system, from every thread's pool. After a
// long job (an export of thousands of pages) the allocator otherwise keeps what the job freed,
// and an idle window stays as large as the job made it.
void returnFreedMemory();

} // namespace fen
