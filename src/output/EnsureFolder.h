#pragma once

#include <string>

class WindowServices;

// Makes sure the folder exists, asking ("Création du Répertoire?") before
// creating it with its missing parents. An empty path becomes the program's
// folder. Returns false when the user refuses, or after showing
// "Impossible de créer Le Dossier: '<path>'" when creation fails.
bool EnsureFolder(std::string &folder, WindowServices &services, const std::string &programFolder);

// Error box of the program: caption "Erreur", OK button.
void ShowError(WindowServices &services, const std::string &text);
