// Compiles the precompiled header once for the targets that reuse it.
