<?php
declare(strict_types=1);

/**
 * Form bodies as the console's HTTP client posts them: boundary "--------" and the local time as
 * MMddyyHHmmsszzz, one part per field with a bare Content-Disposition line, the value, CR LF, and
 * an extra CR LF before the closing delimiter.
 */
final class ConsoleForm
{
    public const BOUNDARY = '--------120926190000123';

    /** @param list<array{string, string}> $fields name and value, in order */
    public static function body(array $fields, string $boundary = self::BOUNDARY): string
    {
        $body = '';
        foreach ($fields as [$name, $value]) {
            $body .= "--{$boundary}\r\nContent-Disposition: form-data; name=\"{$name}\"\r\n\r\n{$value}\r\n";
        }
        return $body . "\r\n--{$boundary}--\r\n";
    }

    public static function contentType(string $boundary = self::BOUNDARY): string
    {
        return 'multipart/form-data; boundary=' . $boundary;
    }

    /** An action's form: "action" first, "end" with an empty value last. */
    public static function action(string $action, array $fields = []): string
    {
        $all = [['action', $action]];
        foreach ($fields as $name => $value) {
            $all[] = [$name, $value];
        }
        $all[] = ['end', ''];
        return self::body($all);
    }
}
