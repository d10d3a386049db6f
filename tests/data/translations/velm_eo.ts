<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="eo">
<context>
    <name>AppTheme</name>
    <message>
        <source>Dark</source>
        <translation>Malhela</translation>
    </message>
    <message>
        <source>Bright canvas for daytime work.</source>
        <translation>Hela kanvaso por taga laboro.</translation>
    </message>
</context>
</TS>
