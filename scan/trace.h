#pragma once
// Trace points of the engine: printf-style wide format strings written the
// Microsoft way ("%s" takes a wide string). The trace sink discards them, so
// a trace point costs nothing; the arguments are still evaluated and type
// checked, which keeps the call sites honest should a sink ever be added.

namespace tw {

template <typename... Args>
inline void Trace(const wchar_t* /*format*/, const Args&... /*args*/) {}

}  // namespace tw
