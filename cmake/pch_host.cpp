// Compiles nothing of its own: the targets that carry the shared precompiled headers need a
// source to build them from.
