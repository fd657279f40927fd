// The width of the elimination inverse's strips, which the dispatch
// (kernel_paths.hpp) chooses for the processor; a header of its own, so that
// the kernels name it inside their instruction-set regions.
#pragma once

namespace vq {

// How many vectors of lanes the elimination inverse carries through its
// second phase side by side (blocked_elimination_inverse.hpp): wide
// (kStripVectors), narrow (kNarrowStripVectors, which only the AVX-512 path
// makes narrower: two vectors, 128 bytes a strip row) or, block by block,
// narrow where that keeps a mid-sized strip in the first-level cache
// (by_size), or narrow in every block up to that size, small ones included
// (narrow_to_size). Narrow strips have half the sums side by side, which wait
// on the additions' latency, but half the bytes to read in every pass and
// less of a ragged first strip; which comes out ahead depends on the
// processor (preferred_strip_width). Only the speed depends on the choice.
enum class StripWidth { wide, narrow, by_size, narrow_to_size };

}  // namespace vq
