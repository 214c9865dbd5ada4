[Setup]
AppName=Evil!system "touch /tmp/compil32-fuzz-x";
DefaultDirName={pf}\Evil
