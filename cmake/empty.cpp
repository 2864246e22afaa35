// Placeholder translation unit for a library with no sources yet.
