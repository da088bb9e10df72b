#pragma once

// How the program's heap hands memory back. The player runs all day and
// every channel switch builds and tears down the media library's buffers on
// threads of their own; with glibc's default, each large buffer freed raises
// the size below which buffers are carved from the heap instead of mapped
// on their own, and the heap then keeps what they leave behind. Call once,
// at the start of main().
namespace MemoryPolicy {

// Buffers of this size and above are mapped on their own and returned to the
// system when freed.
inline constexpr int kOwnMappingBytes = 256 * 1024;

void apply();

}  // namespace MemoryPolicy
