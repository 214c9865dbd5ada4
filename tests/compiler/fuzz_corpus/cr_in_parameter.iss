[Setup]
AppName=Evil
DefaultDirName={pf}\Evil
[Icons]
Name: {group}\a; Filename: {app}\a; Comment: "x!execute ""touch /tmp/y"""
