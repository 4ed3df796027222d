#pragma once
// Trace points: printf-style wide formats in the ISO form both toolchains
// follow ("%ls" for a wide string, "%s" for a narrow one). The sink discards
// them, so a trace point costs nothing; the arguments are still evaluated and
// type checked, which keeps the call sites honest should a sink ever be added.

namespace tw {

template <typename... Args>
inline void Trace(const wchar_t* /*format*/, const Args&... /*args*/) {}

}  // namespace tw
