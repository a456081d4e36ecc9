// Task database sources arrive here.
