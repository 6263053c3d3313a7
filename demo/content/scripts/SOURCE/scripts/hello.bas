PRINT "Hello from NIV Demo"
