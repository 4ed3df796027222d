#pragma once
// The debug trace sink. The trace points stay in the code with their formats
// (ISO wide printf: %ls for wide strings); the sink discards them.

namespace tw {

template <typename... Args>
inline void Trace(const wchar_t* /*format*/, const Args&... /*args*/) {}

}  // namespace tw
