#pragma once
// Hands the heap's free pages back to the system. A start-up frees its temporary peak (database,
// liveries, airport files) while longer-lived data sits above it, and the allocator keeps those
// pages; without this every restart in the same process leaves a step in the resident memory.

namespace platform {

// Returns whether any memory was given back. Cheap enough for once per start or restart.
bool releaseFreeHeap() noexcept;

} // namespace platform
