// The window classes arrive with the desktop-window work.
