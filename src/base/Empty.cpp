// Keeps a layer library non-empty while its folders hold no sources yet.
