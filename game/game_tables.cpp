// Placeholder so the game library has a source while its modules are written.
